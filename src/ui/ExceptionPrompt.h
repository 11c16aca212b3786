#pragma once
// Telling the user that the Java program's main ended with an exception.

#include <string_view>

namespace launcher {

// Windows shows the stack trace in the exception dialog, owned by the active
// window: true when the user chose Stop (also Escape, the close box, or a
// dialog that could not be shown). The Linux port prints the trace on
// standard error and goes on as if Ignore was chosen: false.
bool askToStopAfterException(std::u16string_view stackTrace);

} // namespace launcher
