#pragma once
// The effects of building an installer: wixl run on the source, and the
// record of what each packaging run laid out.

#include "FileIo.h"
#include "InstallerPackage.h"

#include <optional>
#include <string>
#include <vector>

namespace launcher::pack {

// The tool's full path; throws PackError saying what to install when PATH
// does not hold it.
fs::path requireTool(const std::string& name, const std::string& package);

// Builds msi for platform from the WiX source text, which names its files
// relative to sourceFolder. Throws PackError with wixl's own message.
void buildMsi(const fs::path& wixl, const std::string& source, const fs::path& sourceFolder, const fs::path& msi,
              InstallerPlatform platform);

// Runs the queries on msi with msibuild, all in one run: what wixl cannot
// read from the source, written into its package. Throws PackError with
// msibuild's own message.
void completeMsi(const fs::path& msibuild, const std::vector<std::string>& queries, const fs::path& msi);

// wixl's output without its library's warnings about attributes it does not
// know: the source carries some for the WiX toolset (Package/@Platform), and
// a message about a failed build should name only its cause.
std::string withoutWixlNoise(const std::string& output);

// A file that is removed when the scope ends, unless kept.
class ScratchFile {
public:
    explicit ScratchFile(fs::path path) : path_(std::move(path)) {}
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const fs::path& path() const { return path_; }
    // Moves the file to its final name; throws PackError naming it.
    void moveTo(const fs::path& target);

private:
    fs::path path_;
};

// A hidden name beside target for a file that becomes target when complete.
fs::path scratchNameFor(const fs::path& target);

// The application folder's files below folder, "/" between their folders,
// sorted; the packaging record's own folder left out.
std::vector<std::string> filesBelow(const fs::path& folder);

// Where each packaging run records the files it laid out, so that a package
// built later from a reused folder holds what the runs put there, not what
// earlier versions left behind.
inline constexpr const char* kRecordFolder = ".launcher-pack";
std::string recordText(const std::vector<std::string>& files);
std::vector<std::string> recordFiles(const std::string& text);

} // namespace launcher::pack
