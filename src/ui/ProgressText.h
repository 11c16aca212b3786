#pragma once
// How an install's progress reads, wherever it is shown: the terminal's
// line, the progress window and the runtime-not-found dialog.

#include <cstdint>
#include <optional>
#include <string>

namespace launcher {

// The progress line: "Downloading the Java runtime: 12.5 of 45.0 MB (27%)",
// without the total when the size is not known yet.
std::u16string progressLine(uint64_t received, std::optional<uint64_t> total);

// The part of a thousand the bar shows; 0 while the size is not known.
int progressPermille(uint64_t received, std::optional<uint64_t> total);

// The line beside the Install button: the download's size when the
// configuration says it, else what the button does without a figure.
std::u16string installNote(std::optional<uint64_t> size);

// Megabytes with one decimal: "45.0".
std::u16string megabytes(uint64_t bytes);

} // namespace launcher
