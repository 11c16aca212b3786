#include "vmopts/LibraryPath.h"
#include "base/Platform.h"
#include "base/PathText.h"
#include "vmopts/ClassPath.h"

#include <algorithm>

namespace launcher {

namespace {

// Cuts at the last separator, the separator included. Without one the text
// stays (keep) or becomes empty (clear).
enum class NoSeparator { Keep, Clear };

std::u16string_view cutLast(std::u16string_view path, NoSeparator rule) {
    size_t cut = path.rfind(kPathSeparator);
    if (cut == std::u16string_view::npos) return rule == NoSeparator::Keep ? path : std::u16string_view();
    return path.substr(0, cut);
}

std::u16string_view cutLast(std::u16string_view path, NoSeparator rule, int times) {
    for (int i = 0; i < times; ++i) path = cutLast(path, rule);
    return path;
}

// The settings write their lists with ";" so that one INI serves both
// platforms.
std::u16string platformList(std::u16string_view settingList) {
    std::u16string list(settingList);
    replaceAll(list, u';', kListSeparator);
    return list;
}

// Appends one entry. Empty entries are left out: an empty entry of a search
// path would stand for the working folder.
void appendEntry(std::u16string& list, std::u16string_view entry) {
    if (entry.empty()) return;
    if (!list.empty() && list.back() != kListSeparator) list.push_back(kListSeparator);
    list.append(entry);
}

// Each piece is expanded on its own: expanding the composed text would let a
// percent sign in a folder name or a setting pair with the one of the
// search-path reference, which then would not be expanded.
std::u16string currentSearchPath(const ExpandText& expand) {
    return expand(std::u16string(u"%") + kPathVariable + u"%");
}

// One folder of a list, blanks trimmed; a relative one is taken from the
// installation, never from whatever folder the user started from, and is
// left out (empty) when the installation's folder is unknown.
std::u16string installedFolder(std::u16string_view entry, std::u16string_view launcherFolder) {
    std::u16string folder = trimWhitespace(entry);
    if (folder.empty() || isAbsolutePath(folder)) return folder;
    return launcherFolder.empty() ? std::u16string() : joinPath(launcherFolder, folder);
}

void addFolderOnce(TextList& folders, std::u16string folder) {
    if (folder.empty() || std::find(folders.begin(), folders.end(), folder) != folders.end()) return;
    folders.push_back(std::move(folder));
}

} // namespace

int runtimeLibraryDepth(std::u16string_view jvmPath) {
    if (kWindows) return 3;
    // <home>/lib/<machine>/<flavour>/libjvm.so, where a home named "lib"
    // holding lib/<flavour> is told apart by the folder above the flavour.
    std::u16string_view machine = cutLast(jvmPath, NoSeparator::Clear, 2);
    std::u16string_view lib = cutLast(machine, NoSeparator::Clear);
    auto lastName = [](std::u16string_view path) {
        size_t cut = path.rfind(kPathSeparator);
        return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
    };
    return lastName(machine) != u"lib" && lastName(lib) == u"lib" && lib.size() < machine.size() ? 4 : 3;
}

std::u16string runtimeHomeOf(std::u16string_view jvmPath) {
    return std::u16string(cutLast(jvmPath, NoSeparator::Keep, runtimeLibraryDepth(jvmPath)));
}

std::u16string runtimeLibFolder(std::u16string_view jvmPath) {
    if (runtimeLibraryDepth(jvmPath) == 4) return std::u16string(cutLast(jvmPath, NoSeparator::Clear, 2));
    std::u16string_view folder = cutLast(jvmPath, NoSeparator::Clear, 2);
    size_t last = folder.rfind(kPathSeparator);
    std::u16string lib(last == std::u16string_view::npos ? std::u16string_view() : folder.substr(0, last + 1));
    return lib + u"lib";
}

std::u16string runtimeBinFolder(std::u16string_view jvmPath) {
    if (kWindows) return std::u16string(cutLast(jvmPath, NoSeparator::Keep, 2));
    std::u16string bin = runtimeHomeOf(jvmPath);
    bin.push_back(kPathSeparator);
    return bin + u"bin";
}

std::u16string launcherFolderOf(std::u16string_view modulePath) {
    size_t last = modulePath.rfind(kPathSeparator);
    if (last == std::u16string_view::npos) return {};
    return std::u16string(modulePath.substr(0, last + 1));
}

std::u16string composeLibraryPath(std::u16string_view setting, std::u16string_view launcherFolder,
                                  std::u16string_view jvmPath, const ExpandText& expand) {
    if (setting.empty()) return {};
    std::u16string path = expand(platformList(setting));
    // The launcher's folder is an entry of its own, also after a setting
    // that does not end with a separator.
    appendEntry(path, launcherFolder);
    appendEntry(path, u".");
    appendEntry(path, currentSearchPath(expand));
    appendEntry(path, runtimeLibFolder(jvmPath));
    return path;
}

std::u16string composeSearchPath(std::u16string_view setting, std::u16string_view jvmPath, const ExpandText& expand) {
    std::u16string path = expand(platformList(setting));
    appendEntry(path, currentSearchPath(expand));
    appendEntry(path, runtimeBinFolder(jvmPath));
    return path;
}

TextList librarySearchFolders(std::u16string_view jvmPath, std::u16string_view librarySetting,
                              std::u16string_view systemSetting, std::u16string_view launcherFolder,
                              const ExpandText& expand) {
    TextList folders;
    if (jvmPath.find(kPathSeparator) != std::u16string_view::npos) {
        addFolderOnce(folders, runtimeBinFolder(jvmPath));
        addFolderOnce(folders, std::u16string(cutLast(jvmPath, NoSeparator::Clear)));
    }
    for (std::u16string_view setting : {librarySetting, systemSetting}) {
        // Split after expansion: a variable may hold a list of its own.
        for (const std::u16string& entry : splitString(expand(setting), u";")) {
            addFolderOnce(folders, installedFolder(entry, launcherFolder));
        }
    }
    return folders;
}

TextList libraryPathOptionFolders(const TextList& options, std::u16string_view launcherFolder) {
    static constexpr std::u16string_view kOption = u"-Djava.library.path=";
    TextList folders;
    for (const std::u16string& option : options) {
        if (!startsWith(option, kOption)) continue;
        // The runtime splits the property at the platform's list separator.
        const std::u16string_view list = std::u16string_view(option).substr(kOption.size());
        for (const std::u16string& entry : splitString(list, std::u16string(1, kListSeparator))) {
            addFolderOnce(folders, installedFolder(entry, launcherFolder));
        }
    }
    return folders;
}

std::u16string libraryPathOption(std::u16string_view libraryPath) {
    // The option reaches the runtime as narrow text: an entry with
    // characters the narrow encoding lacks goes by its short form.
    std::u16string option = u"-Djava.library.path=";
    size_t start = 0;
    for (;;) {
        size_t end = libraryPath.find(kListSeparator, start);
        option.append(narrowSafePath(libraryPath.substr(start, end - start)));
        if (end == std::u16string_view::npos) return option;
        option.push_back(kListSeparator);
        start = end + 1;
    }
}

} // namespace launcher
