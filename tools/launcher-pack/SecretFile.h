#pragma once
// A password handed to a signing tool on Windows through a file: created
// new, readable by this user only, in the user's temporary folder, and
// removed when its owner ends, whatever way the signing ended. Neither a
// command line (which other users can read) nor standard input (which not
// every osslsigncode version reads) carries it. (Linux builds hand it over
// through a pipe instead: ToolProcess.posix.cpp.)

#include <filesystem>
#include <string>

namespace launcher::pack {

class SecretFile {
public:
    // Throws PackError when no such file can be made.
    explicit SecretFile(const std::string& content);
    ~SecretFile();
    SecretFile(const SecretFile&) = delete;
    SecretFile& operator=(const SecretFile&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace launcher::pack
