#include "vmopts/CacheFileNames.h"

#include "base/Md5.h"
#include "base/PathText.h"

#include <algorithm>

namespace launcher {

namespace {

constexpr std::u16string_view kStemExtensions[] = {u".jsa", u".aot", u".aotconf", u".aotfailed", u".aotlock"};
constexpr size_t kHashDigits = 8;

bool isHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); }

std::u16string hexOf(const uint8_t* bytes, size_t count) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string text;
    for (size_t i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 15]);
    }
    return text;
}

} // namespace

size_t stemLength(std::u16string_view name, std::u16string_view executableName) {
    if (!startsWith(name, executableName) || name.size() < executableName.size() + 1 + kHashDigits) return 0;
    if (name[executableName.size()] != u'-') return 0;
    const std::u16string_view hash = name.substr(executableName.size() + 1, kHashDigits);
    return std::all_of(hash.begin(), hash.end(), isHexDigit) ? executableName.size() + 1 + kHashDigits : 0;
}

std::optional<uint32_t> temporaryWriter(std::u16string_view text) {
    if (!endsWith(text, kTemporaryEnd)) return std::nullopt;
    text.remove_suffix(kTemporaryEnd.size());
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t id = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        id = id * 10 + static_cast<uint64_t>(c - u'0');
    }
    if (id > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(id);
}

std::u16string executableNameOf(std::u16string_view executablePath) {
    std::u16string name(fileNameOf(executablePath));
    const size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) name.resize(dot);
    return name;
}

std::u16string startupCacheFileName(std::u16string_view executablePath, std::u16string_view jvmPath,
                                    std::u16string_view libraryStamp, std::u16string_view classPath) {
    return startupCacheStem(executablePath, jvmPath, libraryStamp, classPath) + u".jsa";
}

std::u16string startupCacheStem(std::u16string_view executablePath, std::u16string_view jvmPath,
                                std::u16string_view libraryStamp, std::u16string_view classPath) {
    const std::u16string name = executableNameOf(executablePath);
    std::u16string identity(jvmPath);
    identity.push_back(u'\0');
    identity.append(libraryStamp);
    identity.push_back(u'\0');
    identity.append(classPath);
    const Md5Digest digest = md5(toUtf8(identity));
    return name + u"-" + hexOf(digest.data(), 4);
}

AotFiles aotFilesOf(std::u16string_view pathStem) {
    const std::u16string stem(pathStem);
    return AotFiles{stem + u".aot", stem + u".aotconf", stem + u".aotfailed", stem + u".aotlock"};
}

std::u16string temporaryNameOf(std::u16string_view path, uint32_t processId) {
    return std::u16string(path) + u"." + toDecimal(processId) + std::u16string(kTemporaryEnd);
}

EntryVerdict judgeCacheEntry(std::u16string_view name, std::u16string_view executableName,
                             std::u16string_view currentStem) {
    const size_t stem = stemLength(name, executableName);
    if (stem == 0) return {};
    const std::u16string_view rest = name.substr(stem);
    for (std::u16string_view extension : kStemExtensions) {
        if (!startsWith(rest, extension)) continue;
        if (rest.size() == extension.size()) {
            if (name.substr(0, stem) == currentStem) return {};
            return {EntryVerdict::Remove, 0};
        }
        if (rest[extension.size()] != u'.') continue;
        if (std::optional<uint32_t> writer = temporaryWriter(rest.substr(extension.size() + 1))) {
            return {EntryVerdict::RemoveUnlessWriterRuns, *writer};
        }
    }
    return {};
}

} // namespace launcher
