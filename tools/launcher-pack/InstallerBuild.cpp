#include "InstallerBuild.h"

#include "ToolProcess.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace launcher::pack {

namespace {

// A tool's message without its blank lines, on one line when short.
std::string toolMessage(const std::string& name, const ToolRun& run) {
    std::istringstream lines(run.output);
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) text += (text.empty() ? "" : "\n  ") + line;
    }
    return name + " failed (exit code " + std::to_string(run.exitCode) + ")" + (text.empty() ? "" : ": " + text);
}

} // namespace

fs::path requireTool(const std::string& name, const std::string& package) {
    if (auto found = findTool(name)) return *found;
    throw PackError(name + " is not on PATH; install it (Debian and Ubuntu: apt-get install " + package +
                    "; Windows: put " + name + ".exe from msitools' Windows build on PATH)");
}

void signFile(const Signer& signer, const fs::path& file) {
    ScratchFile signedFile(scratchNameFor(file));
    std::vector<std::string> arguments{"sign", "-pkcs12", displayPath(signer.pkcs12), "-readpass", "-", "-h", "sha256"};
    for (const std::string& url : signer.timestampUrls) {
        arguments.push_back("-ts");
        arguments.push_back(url);
    }
    for (const char* option : {"-in", "-out"}) {
        arguments.push_back(option);
        arguments.push_back(displayPath(option[1] == 'i' ? file : signedFile.path()));
    }
    ToolRun run = runTool(signer.tool, arguments, signer.password);
    if (run.exitCode != 0) throw PackError("signing " + displayPath(file.filename()) + ": " + toolMessage("osslsigncode", run));
    signedFile.moveTo(file);
}

void buildMsi(const fs::path& wixl, const std::string& source, const fs::path& sourceFolder, const fs::path& msi) {
    ScratchFile wxs(scratchNameFor(sourceFolder / "package.wxs"));
    {
        std::ofstream out(wxs.path(), std::ios::binary);
        out << source;
        if (!out.flush()) throw PackError(displayPath(sourceFolder) + ": cannot be written");
    }
    ToolRun run = runTool(wixl, {"-a", "x64", "-o", displayPath(msi), displayPath(wxs.path())});
    if (run.exitCode != 0) {
        std::error_code ignored;
        fs::remove(msi, ignored);
        throw PackError(toolMessage("wixl", run));
    }
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
