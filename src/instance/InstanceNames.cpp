#include "instance/InstanceNames.h"

#include <cstdio>

namespace launcher {

std::u16string instanceBaseName(std::u16string_view modulePath) {
    std::u16string name(modulePath);
    for (char16_t& c : name) {
        if (c == u'\\') c = u'_';
    }
    return name;
}

std::u16string mainStartedEventName(std::u16string_view baseName) {
    return std::u16string(baseName) + u"_upr_evt";
}

std::u16string forwardLockName(std::u16string_view baseName) {
    return std::u16string(baseName) + u"_fwd_lock";
}

std::u16string forwardTakenName(std::u16string_view baseName) {
    return std::u16string(baseName) + u"_fwd_taken";
}

std::string instanceSocketName(std::u16string_view modulePath, uint32_t userId) {
    // 64-bit FNV-1a over the UTF-16 code units: stable across runs and
    // builds, which is all a rendezvous name needs.
    uint64_t hash = 14695981039346656037ull;
    for (char16_t unit : modulePath) {
        for (int shift : {0, 8}) {
            hash ^= static_cast<uint8_t>(unit >> shift);
            hash *= 1099511628211ull;
        }
    }
    char text[64];
    std::snprintf(text, sizeof text, "launcher-%u-%016llx", static_cast<unsigned>(userId),
                  static_cast<unsigned long long>(hash));
    return text;
}

SocketPlace chooseSocketPlace(std::string_view runtimeFolder, const RuntimeFolderFacts& facts, uint32_t userId,
                              std::string_view socketName) {
    // A socket address holds 108 bytes with the terminating zero.
    constexpr size_t kLongestSocketPath = 107;
    SocketPlace place;
    if (runtimeFolder.empty()) {
        place.why = "XDG_RUNTIME_DIR is not set";
    } else if (runtimeFolder.front() != '/') {
        place.why = "XDG_RUNTIME_DIR is not an absolute path";
    } else if (!facts.isFolder) {
        place.why = "XDG_RUNTIME_DIR names no folder";
    } else if (facts.owner != userId || (facts.mode & 022) != 0) {
        place.why = "XDG_RUNTIME_DIR is not the user's own folder";
    } else {
        std::string folder(runtimeFolder);
        if (folder.back() != '/') folder.push_back('/');
        std::string path = folder + std::string(socketName) + ".sock";
        if (path.size() > kLongestSocketPath) {
            place.why = "XDG_RUNTIME_DIR is too long for a socket's path";
        } else {
            place.path = std::move(path);
            place.lockPath = folder + std::string(socketName) + ".lock";
        }
    }
    return place;
}

} // namespace launcher
