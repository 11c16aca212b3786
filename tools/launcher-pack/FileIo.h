#pragma once
// File work of the packaging command: whole-file reads, and an output folder
// that is assembled beside its destination and appears only when complete.

#include "Bytes.h"

#include <filesystem>
#include <string>

namespace launcher::pack {

namespace fs = std::filesystem;

fs::path pathFromUtf8(const std::string& text);
std::string displayPath(const fs::path& path);

// Throws PackError naming the file.
std::string readWholeFile(const fs::path& file);

// A scratch folder beside the destination folder; removed with its content
// unless commit() moved it into place.
class StagedFolder {
public:
    explicit StagedFolder(const fs::path& destination);
    ~StagedFolder();
    StagedFolder(const StagedFolder&) = delete;
    StagedFolder& operator=(const StagedFolder&) = delete;

    const fs::path& path() const { return staging_; }
    void writeFile(const fs::path& relative, std::string_view bytes);
    // Copies a folder's content (symbolic links kept as links).
    void copyFolder(const fs::path& source, const fs::path& relative);
    // Moves everything into the destination: the whole folder when the
    // destination does not exist, otherwise entry by entry (existing files
    // are replaced). Throws PackError before moving anything when a file
    // would replace a folder or the other way round.
    void commit();

private:
    fs::path destination_;
    fs::path staging_;
};

} // namespace launcher::pack
