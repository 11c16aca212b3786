#include "InstallerBuild.h"

#include "InstallTarget.h"
#include "ToolProcess.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace launcher::pack {

fs::path requireTool(const std::string& name, const std::string& package) {
    if (auto found = findTool(name)) return *found;
    throw PackError(name + " is not on PATH; install it (Debian and Ubuntu: apt-get install " + package +
                    "; Windows: put " + name + ".exe from msitools' Windows build on PATH)");
}

void buildMsi(const fs::path& wixl, const std::string& source, const fs::path& sourceFolder, const fs::path& msi,
              InstallerPlatform platform) {
    ScratchFile wxs(scratchNameFor(sourceFolder / "package.wxs"));
    {
        std::ofstream out(wxs.path(), std::ios::binary);
        out << source;
        if (!out.flush()) throw PackError(displayPath(sourceFolder) + ": cannot be written");
    }
    // wixl takes the platform from its command line only.
    ToolRun run = runTool(wixl, {"-a", platformName(platform), "-o", displayPath(msi), displayPath(wxs.path())});
    if (run.exitCode != 0) {
        std::error_code ignored;
        fs::remove(msi, ignored);
        run.output = withoutWixlNoise(run.output);
        throw PackError(toolFailure("wixl", run));
    }
}

void completeMsi(const fs::path& msibuild, const std::vector<std::string>& queries, const fs::path& msi) {
    if (queries.empty()) return;
    std::vector<std::string> arguments = {displayPath(msi)};
    for (const std::string& query : queries) arguments.insert(arguments.end(), {"-q", query});
    ToolRun run = runTool(msibuild, arguments);
    if (run.exitCode != 0) {
        std::error_code ignored;
        fs::remove(msi, ignored);
        throw PackError(toolFailure("msibuild", run));
    }
}

std::string withoutWixlNoise(const std::string& output) {
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("GLib-GObject-WARNING") == std::string::npos) kept += line + "\n";
    }
    return kept;
}

ScratchFile::~ScratchFile() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove(path_, ignored);
}

void ScratchFile::moveTo(const fs::path& target) {
    std::error_code error;
    fs::rename(path_, target, error);
    if (error) throw PackError(displayPath(target) + ": cannot be written (" + error.message() + ")");
    path_.clear();
}

fs::path scratchNameFor(const fs::path& target) {
    std::random_device random;
    std::string name(1, '.');
    name += displayPath(target.filename());
    name += ".part-" + std::to_string(random());
    return target.parent_path() / pathFromUtf8(name);
}

std::vector<std::string> filesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        std::u8string generic = walk->path().lexically_relative(folder).generic_u8string();
        std::string relative(generic.begin(), generic.end());
        if (relative == kRecordFolder) {
            walk.disable_recursion_pending();
            continue;
        }
        // A link to a folder is listed, not walked: a package cannot hold it,
        // and the check that refuses it names it.
        if (!walk->is_directory() || walk->is_symlink()) files.push_back(relative);
    }
    if (error) throw PackError(displayPath(folder) + ": cannot be read (" + error.message() + ")");
    std::sort(files.begin(), files.end());
    return files;
}

std::string recordText(const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files) text += file + "\n";
    return text;
}

std::vector<std::string> recordFiles(const std::string& text) {
    std::vector<std::string> files;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) files.push_back(line);
    }
    return files;
}

} // namespace launcher::pack
