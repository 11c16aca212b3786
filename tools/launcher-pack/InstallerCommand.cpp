#include "InstallerCommand.h"

#include "InstallTarget.h"
#include "CodePage.h"
#include "WixSource.h"

#include "base/Text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

namespace launcher::pack {

namespace {

const char* const kInstallerOnly[] = {"--install-scope", "--msi-upgrade-code", "--desktop-shortcut", "--file-association",
                                      "--help-url", "--about-url", "--codepage"};

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Calls check, giving its PackError the option's name as a usage error
// (text beyond the code page: as a failure of its own).
template <typename F>
auto forOption(const std::string& option, F check) {
    try {
        return check();
    } catch (const UsageError&) {
        throw;
    } catch (const UnheldTextError& e) {
        throw UnheldTextError(option + ": " + e.what());
    } catch (const PackError& e) {
        throw UsageError(option + ": " + e.what());
    }
}

std::vector<FileAssociation> associations(const PackOptions& options, const std::string& name, int codePage) {
    std::vector<FileAssociation> result;
    std::set<std::string> seen;
    for (const std::string& text : options.values("--file-association")) {
        FileAssociation association = forOption("--file-association", [&] { return parseFileAssociation(text, name, codePage); });
        if (!seen.insert(upper(association.extension)).second) {
            throw UsageError("--file-association: ." + association.extension + " is given twice");
        }
        result.push_back(association);
    }
    return result;
}

InstallerPackage packageFrom(const PackOptions& options, const Branding& branding, std::ostream& warnings) {
    InstallerPackage package;
    package.name = branding.name;
    package.vendor = branding.vendor;
    package.description = branding.description;
    package.executable = branding.name + ".exe";
    if (auto codePage = options.value("--codepage")) package.codePage = forOption("--codepage", [&] { return parseCodePage(*codePage); });
    forOption("--name", [&] { checkInstallerText(package.name, "the name", package.codePage); });
    forOption("--description", [&] { checkInstallerText(package.description, "the description", package.codePage); });
    // The vendor folder drops trailing dots and spaces ("ACME, Inc."), as Windows would.
    if (!package.vendor.empty() && !isWindowsFileName(vendorFolderName(package.vendor))) {
        throw UsageError("--vendor: \"" + package.vendor + "\" cannot be a folder name on Windows");
    }
    forOption("--vendor", [&] { checkInstallerText(package.vendor, "the vendor", package.codePage); });
    auto code = options.value("--msi-upgrade-code");
    if (!code) {
        throw UsageError("--msi and --wxs need --msi-upgrade-code GUID: one GUID that stays the same for every version "
                         "(make it once with uuidgen)");
    }
    package.upgradeCode = forOption("--msi-upgrade-code", [&] { return checkedGuid(*code); });
    if (!options.value("--app-version")) {
        throw UsageError("--msi and --wxs need --app-version: Windows Installer replaces older versions by it");
    }
    package.version = forOption("--app-version", [&] { return installerVersion(branding.version); });
    if (branding.version[3] != 0) {
        warnings << "launcher-pack: warning: Windows Installer ignores the fourth number of --app-version ("
                 << branding.version[3] << "): packages that differ only there replace each other, an older build a newer one too\n";
    }
    std::string scope = options.value("--install-scope").value_or("machine");
    if (scope != "machine" && scope != "user") throw UsageError("--install-scope: \"" + scope + "\" is neither machine nor user");
    package.scope = scope == "user" ? InstallScope::User : InstallScope::Machine;
    package.desktopShortcut = options.has("--desktop-shortcut");
    package.associations = associations(options, package.name, package.codePage);
    package.helpUrl = options.value("--help-url").value_or("");
    package.aboutUrl = options.value("--about-url").value_or("");
    forOption("--help-url", [&] { checkInstallerText(package.helpUrl, "the address", package.codePage); });
    forOption("--about-url", [&] { checkInstallerText(package.aboutUrl, "the address", package.codePage); });
    return package;
}

// A path relative to base, "/" between its folders: wixl takes no absolute
// Source, and relative paths keep a written source usable elsewhere.
std::string relativeSource(const fs::path& file, const fs::path& base) {
    fs::path relative = fs::weakly_canonical(fs::absolute(file)).lexically_relative(fs::weakly_canonical(fs::absolute(base)));
    if (relative.empty()) throw PackError(displayPath(file) + ": has no path relative to " + displayPath(base));
    std::u8string generic = relative.generic_u8string();
    std::string text(generic.begin(), generic.end());
    checkWixVariables(text, displayPath(file) + ": its path");
    return text;
}

// shown: the file's name in messages (this run's files are still in the
// scratch folder, which the user never sees).
void checkPackagedFile(const std::string& installPath, const fs::path& file, const fs::path& shown, int codePage) {
    std::string folder;
    for (size_t begin = 0; begin <= installPath.size();) {
        size_t end = std::min(installPath.find('/', begin), installPath.size());
        std::string part = installPath.substr(begin, end - begin);
        if (!isWindowsFileName(part)) throw PackError(displayPath(shown) + ": \"" + part + "\" is no file name on Windows");
        checkInstallerText(part, displayPath(shown) + ": the name", codePage);
        begin = end + 1;
    }
    std::error_code error;
    if (fs::is_directory(file, error)) throw PackError(displayPath(shown) + ": is a link to a folder; an installer holds no links (copy the folder instead)");
    std::ifstream in(file, std::ios::binary);
    if (!in || !fs::is_regular_file(file, error)) throw PackError(displayPath(shown) + ": cannot be read");
}

// This run's files from staging, then what other runs recorded in dest.
std::vector<std::pair<std::string, fs::path>> harvest(const InstallerPackage& package, const fs::path& staging, const fs::path& dest) {
    std::vector<std::pair<std::string, fs::path>> files;
    std::set<std::string> ours;
    for (const std::string& file : filesBelow(staging)) {
        files.emplace_back(file, staging / pathFromUtf8(file));
        ours.insert(file);
    }
    std::error_code error;
    fs::path records = dest / kRecordFolder;
    std::vector<fs::path> others;
    for (fs::directory_iterator it(records, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename() != pathFromUtf8(package.name + ".files")) others.push_back(it->path());
    }
    std::sort(others.begin(), others.end());
    for (const fs::path& record : others) {
        for (const std::string& file : recordFiles(readWholeFile(record))) {
            if (ours.insert(file).second) files.emplace_back(file, dest / pathFromUtf8(file));
        }
    }
    for (const auto& [installPath, file] : files) {
        checkPackagedFile(installPath, file, dest / pathFromUtf8(installPath), package.codePage);
    }
    std::vector<std::string> installPaths;
    for (const auto& [installPath, _] : files) installPaths.push_back(installPath);
    if (auto clash = caseOnlyClash(installPaths)) {
        throw PackError(displayPath(dest / pathFromUtf8(clash->first)) + " and " + displayPath(dest / pathFromUtf8(clash->second)) +
                        ": their names differ only in case, and Windows keeps one file for both");
    }
    return files;
}

// Windows programs, the launcher and the runtime among them, cannot open a
// file whose path is longer than MAX_PATH unless the computer allows long
// paths; such a file would install and then fail to load.
void checkInstallPathLengths(const InstallerPackage& package, const std::vector<std::pair<std::string, fs::path>>& files,
                             const fs::path& dest) {
    std::vector<std::string> installPaths;
    for (const auto& [installPath, _] : files) installPaths.push_back(installPath);
    if (auto tooLong = tooLongInstallPath(package, installPaths)) {
        throw PackError(displayPath(dest / pathFromUtf8(tooLong->installPath)) + ": installed as " + tooLong->windowsPath + ", " +
                        std::to_string(fromUtf8(tooLong->windowsPath).size()) + " characters; Windows programs open no path over " +
                        std::to_string(kLongestWindowsPath) + " characters: shorten its folders or its name");
    }
}

} // namespace

std::optional<InstallerRequest> installerRequest(const PackOptions& options, const Branding& branding,
                                                 std::ostream& warnings) {
    if (!options.has("--msi") && !options.has("--wxs")) {
        for (const char* option : kInstallerOnly) {
            if (options.has(option)) throw UsageError(std::string(option) + " goes with --msi or --wxs");
        }
        return std::nullopt;
    }
    InstallerRequest request;
    request.package = packageFrom(options, branding, warnings);
    if (auto msi = options.value("--msi")) request.msi = pathFromUtf8(*msi);
    if (auto wxs = options.value("--wxs")) request.wxs = pathFromUtf8(*wxs);
    for (const auto& output : {request.msi, request.wxs}) {
        std::error_code error;
        if (output && !fs::is_directory(fs::absolute(*output).parent_path(), error)) {
            throw PackError(displayPath(*output) + ": its folder does not exist");
        }
    }
    if (request.msi) {
        request.tools.wixl = requireTool("wixl", "wixl");
        request.tools.msibuild = requireTool("msibuild", "msitools");
        request.tools.msiinfo = requireTool("msiinfo", "msitools");
    }
    return request;
}

PreparedInstaller buildInstaller(InstallerRequest& request, const fs::path& staging, const fs::path& dest) {
    auto files = harvest(request.package, staging, dest);
    checkInstallPathLengths(request.package, files, dest);
    PreparedInstaller prepared;
    if (request.msi) {
        fs::path base = fs::absolute(dest).parent_path();
        InstallerPackage package = request.package;
        for (const auto& [installPath, file] : files) package.files.push_back({installPath, relativeSource(file, base)});
        prepared.msi = std::make_unique<ScratchFile>(scratchNameFor(fs::absolute(*request.msi)));
        buildPackage(request.tools, package, base, prepared.msi->path());
        if (request.signer) signFile(*request.signer, prepared.msi->path(), displayPath(request.msi->filename()));
    }
    if (request.wxs) {
        // Written now, naming the files where they will be once dest is in place.
        fs::path wxs = fs::absolute(*request.wxs);
        InstallerPackage package = request.package;
        for (const auto& [installPath, _] : files) {
            package.files.push_back({installPath, relativeSource(dest / pathFromUtf8(installPath), wxs.parent_path())});
        }
        prepared.wxs = std::make_unique<ScratchFile>(scratchNameFor(wxs));
        std::ofstream out(prepared.wxs->path(), std::ios::binary);
        out << wixSource(package);
        if (!out.flush()) throw PackError(displayPath(wxs) + ": cannot be written");
    }
    return prepared;
}

void finishInstaller(const InstallerRequest& request, PreparedInstaller prepared) {
    if (prepared.wxs) prepared.wxs->moveTo(fs::absolute(*request.wxs));
    if (prepared.msi) prepared.msi->moveTo(fs::absolute(*request.msi));
}

} // namespace launcher::pack
