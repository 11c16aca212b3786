#include "vmopts/AssemblyRequest.h"

#include "base/PathText.h"
#include "base/Platform.h"
#include "vmopts/AheadOfTimeCache.h"
#include "vmopts/AssemblyOptions.h"
#include "vmopts/StartupCachePlan.h"

#include <algorithm>
#include <array>

namespace launcher {

namespace {

void appendField(std::u16string& text, std::u16string_view field) {
    text += toDecimal(static_cast<long long>(field.size()));
    text.push_back(u':');
    text += field;
}

// The next length-prefixed field of text from at; nothing when malformed.
std::optional<std::u16string> readField(std::u16string_view text, size_t& at) {
    size_t length = 0;
    size_t digits = 0;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9' && digits < 9) {
        length = length * 10 + static_cast<size_t>(text[at] - u'0');
        ++at;
        ++digits;
    }
    if (digits == 0 || at >= text.size() || text[at] != u':' || text.size() - at - 1 < length) return std::nullopt;
    std::u16string field(text.substr(at + 1, length));
    at += 1 + length;
    return field;
}

constexpr std::u16string_view kRequestTag = u"aot1;";

// True when stem is folder, a separator, then folders of its own (none
// that is "." or "..", nor on Windows a stream name) and a stem of the
// executable's files.
bool stemLiesIn(std::u16string_view stem, std::u16string_view folder, std::u16string_view executableName) {
    if (folder.empty() || stem.size() <= folder.size() + 1 || stem[folder.size()] != kPathSeparator) return false;
    const std::u16string_view head = stem.substr(0, folder.size());
    if (kWindows ? !equalsIgnoreCase(head, folder) : head != folder) return false;
    std::u16string_view rest = stem.substr(folder.size() + 1);
    const std::u16string_view separators = kWindows ? u"\\/" : u"/";
    for (;;) {
        const size_t cut = rest.find_first_of(separators);
        const std::u16string_view part = rest.substr(0, cut);
        if (part.empty() || part == u"." || part == u".." || (kWindows && part.find(u':') != std::u16string_view::npos)) {
            return false;
        }
        if (cut == std::u16string_view::npos) return stemLength(part, executableName) == part.size();
        rest.remove_prefix(cut + 1);
    }
}

} // namespace

std::u16string encodeAssemblyRequest(const AssemblyRequest& request) {
    std::u16string text(kRequestTag);
    appendField(text, request.step == AssemblyRequest::Assemble ? u"assemble" : u"supervise");
    for (const std::u16string* field : {&request.jvmPath, &request.classPath, &request.files.cache, &request.files.configuration,
                                        &request.files.failed, &request.files.lock, &request.temporary}) {
        appendField(text, *field);
    }
    for (const std::u16string& option : request.options) appendField(text, option);
    return text;
}

std::optional<AssemblyRequest> decodeAssemblyRequest(std::u16string_view text) {
    if (!startsWith(text, kRequestTag)) return std::nullopt;
    size_t at = kRequestTag.size();
    std::array<std::u16string, 8> fields;
    for (std::u16string& field : fields) {
        std::optional<std::u16string> read = readField(text, at);
        if (!read) return std::nullopt;
        field = std::move(*read);
    }
    AssemblyRequest request;
    while (at < text.size()) {
        std::optional<std::u16string> option = readField(text, at);
        // The same options a start hands on, and no other: the variable
        // may have been written by anyone who can set this process's
        // environment.
        if (!option || !isAssemblyOption(*option)) return std::nullopt;
        request.options.push_back(std::move(*option));
    }
    if (fields[0] == u"assemble") request.step = AssemblyRequest::Assemble;
    else if (fields[0] != u"supervise") return std::nullopt;
    request.jvmPath = fields[1];
    request.classPath = fields[2];
    request.files = AotFiles{fields[3], fields[4], fields[5], fields[6]};
    request.temporary = fields[7];
    // Every path is needed, and the runtime must never write anywhere but a
    // temporary file.
    if (request.jvmPath.empty() || request.files.cache.empty() || request.files.configuration.empty() ||
        request.files.failed.empty() || request.files.lock.empty()) {
        return std::nullopt;
    }
    if (request.step == AssemblyRequest::Assemble && !endsWith(request.temporary, kTemporaryEnd)) return std::nullopt;
    return request;
}

bool assemblyFilesInCache(const AssemblyRequest& request, const TextList& cacheFolders, std::u16string_view executableName) {
    constexpr std::u16string_view kCacheEnd = u".aot";
    const std::u16string& cache = request.files.cache;
    if (!endsWith(cache, kCacheEnd)) return false;
    const std::u16string stem = cache.substr(0, cache.size() - kCacheEnd.size());
    if (request.files != aotFilesOf(stem)) return false;
    // The supervisor names the assembler's file after itself.
    if (request.step == AssemblyRequest::Supervise) {
        if (!request.temporary.empty()) return false;
    } else if (!startsWith(request.temporary, cache + u".") ||
               !temporaryWriter(std::u16string_view(request.temporary).substr(cache.size() + 1))) {
        return false;
    }
    return std::any_of(cacheFolders.begin(), cacheFolders.end(),
                       [&](const std::u16string& folder) { return stemLiesIn(stem, folder, executableName); });
}

TextList aotAssemblyOptions(const AssemblyRequest& request) {
    TextList options{u"-Djava.class.path=" + request.classPath};
    options.insert(options.end(), request.options.begin(), request.options.end());
    for (std::u16string& quiet : cacheQuietOptions(kFirstAotCacheRelease)) options.push_back(std::move(quiet));
    options.push_back(u"-XX:AOTMode=create");
    options.push_back(u"-XX:AOTConfiguration=" + request.files.configuration);
    options.push_back(u"-XX:AOTCache=" + request.temporary);
    return options;
}

} // namespace launcher
