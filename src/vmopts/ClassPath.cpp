#include "vmopts/ClassPath.h"

#include "base/Environment.h"
#include "base/PathText.h"

namespace launcher {

namespace {

void appendElement(std::u16string& classPath, std::u16string_view element) {
    classPath += narrowSafePath(element);
    classPath.push_back(kListSeparator);
}

} // namespace

std::u16string matchPrefix(std::u16string_view pattern, PathForm form) {
    size_t cut = pattern.rfind(form.separator);
    if (form.windows) {
        size_t slash = pattern.rfind(u'/');
        if (slash != std::u16string_view::npos && (cut == std::u16string_view::npos || slash > cut)) cut = slash;
    }
    if (cut != std::u16string_view::npos) return std::u16string(pattern.substr(0, cut + 1));
    // "C:*.jar" searches the drive's current folder; its matches are
    // "C:a.jar", not "\a.jar" at the root of the current drive.
    if (form.windows && pattern.size() >= 2 && pattern[1] == u':') return std::u16string(pattern.substr(0, 2));
    return {};
}

bool survivesNarrowing(std::u16string_view text) {
    return fromNarrow(toNarrow(text)) == text;
}

void resolveClassPathEntry(std::u16string_view entry, std::u16string_view launcherFolder, std::u16string& classPath) {
    std::u16string pattern(entry);
    if (!isAbsolutePath(entry) && !launcherFolder.empty()) {
        pattern.assign(launcherFolder);
        pattern.push_back(kPathSeparator);
        pattern.append(entry);
    }
    std::u16string prefix = matchPrefix(pattern);
    FileFinder finder;
    if (!finder.findFirst(pattern)) return;
    // Every match in the listing's order, folders and "." / ".." included:
    // the setting names what it wants, the launcher does not judge it.
    do {
        appendElement(classPath, prefix + finder.fileName());
    } while (finder.findNext());
}

std::u16string composeClassPath(std::u16string_view setting, std::u16string_view modulePath, bool embeddedJar) {
    std::u16string launcherFolder = folderOf(modulePath);
    std::u16string classPath;
    // Entries are taken as written: no trimming, and a quote is part of
    // the name.
    for (std::u16string& entry : splitString(setting, u";")) {
        expandEnvironment(entry);
        if (entry.find(u'*') == std::u16string::npos && isAbsolutePath(entry)) {
            appendElement(classPath, entry);
        } else {
            resolveClassPathEntry(entry, launcherFolder, classPath);
        }
    }
    // Without a known executable path there is nothing to put first; an
    // empty element would put the working folder on the class path instead.
    if (embeddedJar && !modulePath.empty()) {
        std::u16string withJar = narrowSafePath(modulePath);
        withJar.push_back(kListSeparator);
        classPath.insert(0, withJar);
    }
    return classPath;
}

} // namespace launcher
