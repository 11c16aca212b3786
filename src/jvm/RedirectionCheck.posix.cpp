#include "jvm/RedirectionCheck.h"
#include "base/Text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace launcher {

namespace {

// Root and this process's own groups are trusted; any other group that may
// write is other users.
bool trustedGroup(gid_t group) {
    if (group == 0 || group == getegid()) return true;
    std::vector<gid_t> groups(static_cast<size_t>(getgroups(0, nullptr)));
    groups.resize(static_cast<size_t>(std::max(0, getgroups(static_cast<int>(groups.size()), groups.data()))));
    for (gid_t own : groups) {
        if (own == group) return true;
    }
    return false;
}

PathPartFacts factsOf(const std::u16string& path) {
    PathPartFacts facts;
    facts.path = path;
    struct stat status {};
    // lstat: a link is judged as itself, never as what it leads to.
    if (lstat(toNarrow(path).c_str(), &status) != 0) return facts;
    facts.exists = true;
    facts.link = S_ISLNK(status.st_mode);
    facts.folder = S_ISDIR(status.st_mode);
    facts.hardLinked = !facts.folder && status.st_nlink > 1;
    facts.foreignOwner = status.st_uid != 0 && status.st_uid != geteuid();
    const bool othersWrite =
        (status.st_mode & S_IWOTH) != 0 || ((status.st_mode & S_IWGRP) != 0 && !trustedGroup(status.st_gid));
    // In a folder with the sticky bit (/tmp) others may add entries but not
    // rename or remove those of other owners.
    const bool sticky = facts.folder && (status.st_mode & S_ISVTX) != 0;
    facts.othersMayReplace = othersWrite && !sticky;
    facts.othersMayAdd = othersWrite && facts.folder;
    return facts;
}

} // namespace

std::vector<PathPartFacts> redirectPathFacts(std::u16string_view path) {
    std::u16string absolute(path);
    if (absolute.empty() || absolute.front() != u'/') {
        std::vector<char> folder(4096);
        while (!getcwd(folder.data(), folder.size())) {
            if (folder.size() > (1u << 20)) return {};
            folder.resize(folder.size() * 2);
        }
        absolute = fromNarrow(folder.data()) + u"/" + absolute;
    }
    std::vector<PathPartFacts> facts;
    for (const std::u16string& part : redirectPathParts(absolute)) {
        facts.push_back(factsOf(part));
        if (!facts.back().exists) break;
    }
    return facts;
}

} // namespace launcher
