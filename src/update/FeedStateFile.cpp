#include "update/FeedStateFile.h"

#include "base/FileReplace.h"
#include "base/FolderChain.h"
#include "base/PathText.h"
#include "install/InstallLock.h"
#include "jre/RuntimeFolders.h"

namespace launcher {

FeedState readFeedState(const std::u16string& path) {
    const std::optional<std::string> bytes = readSmallFile(path, kFeedStateSizeLimit);
    return bytes ? parseFeedState(*bytes) : FeedState{};
}

bool saveFeedState(const std::u16string& path, const FeedState& state) {
    return replaceFileWhole(path, formatFeedState(state));
}

bool changeFeedState(const std::u16string& runtimeFolder, const std::function<void(FeedState&)>& change,
                     std::chrono::milliseconds wait, const std::atomic<bool>* cancel) {
    const std::u16string lockFile = joinPath(runtimeFolder, u"install.lock");
    if (createFolderChain(lockFile) != 0) return false;
    InstallLock lock;
    if (lock.acquire(lockFile, wait, cancel) != InstallLock::Outcome::Locked) return false;
    const std::u16string path = joinPath(runtimeFolder, kFeedStateFileName);
    FeedState state = readFeedState(path);
    change(state);
    return saveFeedState(path, state);
}

std::u16string feedRuntimeFolder(const std::u16string& pinnedFolder) {
    std::u16string folder = pinnedFolder;
    while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
    return folderOf(folder);
}

std::u16string feedEntryFolder(const std::u16string& pinnedFolder, std::u16string_view sha256) {
    return joinPath(feedRuntimeFolder(pinnedFolder), sha256.substr(0, 16));
}

std::u16string feedStatePath(const std::u16string& pinnedFolder) {
    return joinPath(feedRuntimeFolder(pinnedFolder), kFeedStateFileName);
}

} // namespace launcher
