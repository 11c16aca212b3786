#include "update/RuntimeUse.h"

namespace launcher {

std::u16string runtimeUsePath(const std::u16string& folder) {
    std::u16string path = folder;
    while (path.size() > 1 && (path.back() == u'/' || path.back() == u'\\')) path.pop_back();
    return path + u".in-use";
}

bool markFeedEntry(const std::u16string& folder) {
    RuntimeUseLock lock;
    return lock.holdShared(runtimeUsePath(folder));
}

} // namespace launcher
