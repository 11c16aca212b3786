#include "vmopts/AheadOfTimeCache.h"

#include "base/PathText.h"
#include "base/Platform.h"

#include <algorithm>
#include <array>

namespace launcher {

namespace {

constexpr std::u16string_view kStemExtensions[] = {u".jsa", u".aot", u".aotconf", u".aotfailed", u".aotlock"};
constexpr std::u16string_view kTemporaryEnd = u".tmp";
constexpr size_t kHashDigits = 8;

bool isHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); }

// The stem's "-" and hash digits after the executable's name, then one of
// the extensions: the length of the stem, or 0 when name is no such file.
size_t stemLength(std::u16string_view name, std::u16string_view executableName) {
    if (!startsWith(name, executableName) || name.size() < executableName.size() + 1 + kHashDigits) return 0;
    if (name[executableName.size()] != u'-') return 0;
    const std::u16string_view hash = name.substr(executableName.size() + 1, kHashDigits);
    return std::all_of(hash.begin(), hash.end(), isHexDigit) ? executableName.size() + 1 + kHashDigits : 0;
}

// "<pid>.tmp" as a process id; nothing for anything else.
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

// The runtime's options that decide the layout of what the cache holds,
// named exactly: the collector, the heap's size, the object headers and
// alignment. Any other "-XX:" option may act on its own (read another
// options file, write a file, run a command) and stays out.
constexpr std::u16string_view kLayoutFlags[] = {
    u"UseSerialGC",       u"UseParallelGC",        u"UseG1GC",
    u"UseZGC",            u"ZGenerational",        u"UseShenandoahGC",
    u"UseEpsilonGC",      u"UnlockExperimentalVMOptions", u"MaxHeapSize",
    u"UseCompressedOops", u"UseCompressedClassPointers",  u"UseCompactObjectHeaders",
    u"ObjectAlignmentInBytes"};
// The module options, in their "name=value" form, the only one the runtime
// takes through the invocation interface.
constexpr std::u16string_view kModuleOptions[] = {u"--add-modules",   u"--add-opens",   u"--add-exports",
                                                  u"--add-reads",     u"--limit-modules", u"--module-path",
                                                  u"--upgrade-module-path", u"--patch-module"};

bool isLayoutFlag(std::u16string_view option) {
    if (!startsWith(option, u"-XX:")) return false;
    std::u16string_view name = option.substr(4);
    if (!name.empty() && (name[0] == u'+' || name[0] == u'-')) {
        name.remove_prefix(1);
    } else {
        const size_t equals = name.find(u'=');
        if (equals == std::u16string_view::npos) return false;
        name = name.substr(0, equals);
    }
    return std::find(std::begin(kLayoutFlags), std::end(kLayoutFlags), name) != std::end(kLayoutFlags);
}

// "-Xmx" with a size: digits and at most one unit letter.
bool isHeapSize(std::u16string_view option) {
    if (!startsWith(option, u"-Xmx")) return false;
    std::u16string_view size = option.substr(4);
    if (!size.empty() && std::u16string_view(u"kKmMgGtT").find(size.back()) != std::u16string_view::npos) {
        size.remove_suffix(1);
    }
    return !size.empty() && std::all_of(size.begin(), size.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

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

CacheKind startupCacheKind(const CacheKindFacts& facts) {
    if (facts.featureRelease < 13) return CacheKind::None;
    if (facts.featureRelease < kFirstAotCacheRelease || !facts.hotSpot || facts.folderOnClassPath) return CacheKind::Archive;
    return CacheKind::AheadOfTime;
}

bool isHotSpotLibrary(std::u16string_view jvmPath) {
    const std::u16string flavour = fileNameOf(folderOf(jvmPath));
    return equalsIgnoreCase(flavour, u"server") || equalsIgnoreCase(flavour, u"client");
}

std::optional<CachePlan> planAotCache(const AotFacts& facts) {
    if (facts.cache) return CachePlan::AotUse;
    if (facts.failed) return std::nullopt;
    // Assembling writes as much as recording: without room, neither.
    if (!facts.writable) return CachePlan::Off;
    // A configuration without a cache: its assembly runs or was cut short.
    // This start does not record again; it runs as without the cache and
    // starts an assembly when it ends, which gives way to a running one.
    return facts.configuration ? CachePlan::AotAssemble : CachePlan::AotRecord;
}

AotFiles aotFilesOf(std::u16string_view pathStem) {
    const std::u16string stem(pathStem);
    return AotFiles{stem + u".aot", stem + u".aotconf", stem + u".aotfailed", stem + u".aotlock"};
}

std::u16string temporaryNameOf(std::u16string_view path, uint32_t processId) {
    return std::u16string(path) + u"." + toDecimal(processId) + std::u16string(kTemporaryEnd);
}

bool holdsWholeFile(CacheFiles& files, const std::u16string& path, uint32_t magic) {
    const std::optional<CacheFiles::FileFacts> facts = files.fileFacts(path);
    if (!facts) return false;
    const std::optional<std::string> head = files.readHead(path, kArchiveHeadSize);
    return head && looksLikeWholeCacheFile(*head, facts->size, magic);
}

bool placeRecordedConfiguration(CacheFiles& files, const std::u16string& recording, const AotFiles& aot) {
    // Another start that recorded beside this one may have had its cache
    // assembled meanwhile: this configuration would then stay unused.
    if (!holdsWholeFile(files, aot.cache, kAotCacheMagic) && holdsWholeFile(files, recording, kAotConfigurationMagic) &&
        files.renameFile(recording, aot.configuration)) {
        return true;
    }
    files.removeFile(recording);
    return false;
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

bool isAssemblyOption(std::u16string_view option) {
    if (option == u"--enable-preview" || isHeapSize(option) || isLayoutFlag(option)) return true;
    return std::any_of(std::begin(kModuleOptions), std::end(kModuleOptions), [&](std::u16string_view name) {
        return option.size() > name.size() + 1 && startsWith(option, name) && option[name.size()] == u'=';
    });
}

TextList assemblyRelevantOptions(const TextList& applicationOptions) {
    TextList relevant;
    for (const std::u16string& option : applicationOptions) {
        if (isAssemblyOption(option)) relevant.push_back(option);
    }
    return relevant;
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
