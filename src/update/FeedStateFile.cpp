#include "update/FeedStateFile.h"

#include "jre/RuntimeFolders.h"

namespace launcher {

FeedState readFeedState(const std::u16string& path) {
    const std::optional<std::string> bytes = readSmallFile(path, kFeedStateSizeLimit);
    return bytes ? parseFeedState(*bytes) : FeedState{};
}

bool saveFeedState(const std::u16string& path, const FeedState& state) {
    return replaceFileWhole(path, formatFeedState(state));
}

} // namespace launcher
