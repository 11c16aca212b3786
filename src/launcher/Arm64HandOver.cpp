#include "launcher/Arm64HandOver.h"
#include "base/PathText.h"
#include "base/Platform.h"

namespace launcher {

HandOverMark readHandOverMark(const std::optional<std::u16string>& value) {
    if (value == kFromX64) return HandOverMark::FromX64;
    if (value == kHandedBack) return HandOverMark::Returned;
    return HandOverMark::None;
}

SiblingPath siblingBesideLauncher(std::u16string_view value, std::u16string_view modulePath) {
    if (value.empty()) return {};
    if (isAbsolutePath(value) || value.front() == u'/' || value.front() == u'\\') {
        return {{}, u"an absolute path: the sibling is named relative to the launcher's folder"};
    }
    // A colon would name a drive's current folder or a file's stream.
    if (kWindows && value.find(u':') != std::u16string_view::npos) return {{}, u"a drive or stream name (\":\")"};
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find_first_of(kWindows ? u"\\/" : u"/", start);
        if (end == std::u16string_view::npos) end = value.size();
        if (value.substr(start, end - start) == u"..") return {{}, u"a \"..\" step would leave the launcher's folder"};
        start = end + 1;
    }
    std::u16string path = joinPath(folderOf(modulePath), value);
    if (kWindows ? equalsIgnoreCase(path, modulePath) : path == modulePath) return {{}, u"it names this launcher itself"};
    return {path, {}};
}

SiblingPath x64LauncherBeside(std::u16string_view value, std::u16string_view modulePath) {
    if (value.empty()) return {};
    // Both separators and the colon on every platform: the value names a
    // file of the Windows launchers, and a plain name is plain everywhere.
    if (value.find_first_of(u"\\/:") != std::u16string_view::npos || value == u"." || value == u"..") {
        return {{}, u"not a plain file name in the launcher's own folder"};
    }
    std::u16string path = joinPath(folderOf(modulePath), value);
    if (kWindows ? equalsIgnoreCase(path, modulePath) : path == modulePath) return {{}, u"it names this launcher itself"};
    return {path, {}};
}

HandOverStep handOverStep(const HandOverFacts& f) {
    switch (f.search) {
    case RuntimeSearchState::NotYet:
        // Only an unmarked start hands over: one handed back, or one that
        // came from an x64 launcher, searches itself.
        if (f.launcher == LibraryWidth::X64 && f.arm64Computer && f.siblingConfigured && f.mark == HandOverMark::None) {
            return HandOverStep::ToSibling;
        }
        return HandOverStep::Search;
    case RuntimeSearchState::Found: return HandOverStep::Run;
    case RuntimeSearchState::NothingFound:
        if (f.launcher == LibraryWidth::Arm64 && f.mark == HandOverMark::FromX64 && f.x64Configured) {
            return HandOverStep::BackToX64;
        }
        return HandOverStep::AskUser;
    }
    return HandOverStep::Search;
}

} // namespace launcher
