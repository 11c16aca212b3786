#include "support/RefusedArchives.h"

#include "base/Platform.h"
#include "base/Sha256.h"
#include "support/TestSupport.h"

#include <algorithm>

namespace launcher::test {

namespace {

constexpr size_t kEntryLimit = 100000;

std::string below(std::string_view relative) { return std::string(kRuntimeTop) + "/" + std::string(relative); }

std::vector<ZipItem> placed(std::vector<ZipItem> runtime) {
    for (ZipItem& item : runtime) item.name = below(item.name);
    return runtime;
}

std::string withMore(const std::vector<ZipItem>& runtime, const std::vector<ZipItem>& more) {
    std::vector<ZipItem> items = placed(runtime);
    items.insert(items.end(), more.begin(), more.end());
    return buildZip(items);
}

ZipItem linkItem(const std::string& name, const std::string& target) {
    return {.name = name, .data = target, .deflate = false, .unixMode = 0120777};
}

// The runtime, then the same folder entry again and again up to one entry
// past the limit: a bomb of entries rather than of bytes. (Folders that
// exist already cost the test little to unpack; the limit counts every
// entry alike.)
std::string tooManyInZip(const std::vector<ZipItem>& runtime) {
    std::vector<ZipItem> items = placed(runtime);
    while (items.size() <= kEntryLimit) items.push_back({.name = below("many/"), .data = {}, .deflate = false});
    return buildZip(items);
}

std::string tooManyInTarGz(const std::vector<ZipItem>& runtime) {
    std::vector<TarItem> items;
    for (const ZipItem& item : placed(runtime)) items.push_back({.name = item.name, .data = item.data});
    while (items.size() <= kEntryLimit) items.push_back({.name = below("many/"), .type = '5', .mode = 0755});
    return gzip(buildTar(items));
}

} // namespace

std::vector<RefusedArchive> refusedArchives(const std::vector<ZipItem>& runtime, const std::string& library,
                                            bool costly) {
    const std::string sound = runtimeArchive(runtime);
    std::vector<ZipItem> otherWidth = runtime;
    std::vector<ZipItem> empty;
    for (ZipItem& item : otherWidth) {
        if (item.name == library) item.data = libraryImage(kOtherWidth);
        if (item.name != library) empty.push_back(item);
    }
    const std::u16string otherWidthRefusal =
        kOtherWidth == Machine::X86 ? u"a 32-bit runtime, which this 64-bit launcher cannot load"
                                    : u"a 64-bit runtime, which a 32-bit launcher cannot load";
    // Zeros deflate a thousandfold: far more than the twenty times the
    // archive that a runtime may expand to, in an archive still small.
    const std::string zeros(30 * sound.size() + (1 << 20), '\0');
    std::vector<RefusedArchive> rows = {
        {"zip-slip: \"..\"", withMore(runtime, {{.name = below("../../escaped"), .data = "x"}}), {u"climbs out"}},
        // What was written before the refused entry goes too, however deep.
        {"zip-slip after a deep file",
         withMore(runtime, {{.name = below(std::string(200, 'a') + "/" + std::string(200, 'b') + "/deep"), .data = "x"},
                            {.name = below("../../escaped"), .data = "x"}}),
         {u"climbs out"}},
        {"zip-slip: absolute path", withMore(runtime, {{.name = "/tmp/escaped", .data = "x"}}), {u"absolute path"}},
        {"zip-slip: drive letter", withMore(runtime, {{.name = "C:/escaped", .data = "x"}}), {u"drive letter"}},
        {"zip-slip: backslashes", withMore(runtime, {{.name = below("..\\..\\escaped"), .data = "x"}}), {u"backslash"}},
        {"a second top folder", withMore(runtime, {{.name = "other/escaped", .data = "x"}}), {u"outside the archive"}},
        {"a device name", withMore(runtime, {{.name = below("bin/NUL.dll"), .data = "x"}}), {u"device name"}},
        {"a name ending in a dot", withMore(runtime, {{.name = below("bin/java."), .data = "x"}}), {u"ending in a dot"}},
        {"a symbolic link out of the runtime", withMore(runtime, {linkItem(below("bin/escape"), "../../../outside")}),
         {u"\"" + fromUtf8(below("bin/escape")) + u"\" is a symbolic link"}},
        {"expanded size over the limit", withMore(runtime, {{.name = below("lib/modules"), .data = zeros}}),
         {u"lib/modules\" expands the archive beyond"}},
        {"an entry larger than it declares",
         withMore(runtime, {{.name = below("lib/modules"), .data = std::string(1 << 20, '\0'), .size = 100}}),
         {u"expands beyond the size it declares"}},
        {"more entries than the limit (.tar.gz)", tooManyInTarGz(runtime), {u"more than 100000 entries"}},
        {"no runtime library", runtimeArchive(empty), {u"The archive's runtime does not fit: no runtime library"}},
        {"a runtime of the other width", runtimeArchive(otherWidth),
         {u"The archive's runtime does not fit: " + otherWidthRefusal}},
    };
    if (costly) rows.push_back({"more entries than the limit (zip)", tooManyInZip(runtime), {u"more than 100000 entries"}});
    if (kWindows) {
        // Windows refuses every link, also one that stays inside.
        rows.push_back({"a symbolic link inside the runtime", withMore(runtime, {linkItem(below("legal/release"), "../release")}),
                        {u"is a symbolic link; links are unpacked on Linux only"}});
    }
    return rows;
}

std::string runtimeArchive(const std::vector<ZipItem>& runtime) { return buildZip(placed(runtime)); }

std::string fakeRuntimeLibrary() { return kWindows ? "bin/server/jvm.dll" : "lib/server/libjvm.so"; }

std::vector<ZipItem> fakeRuntime(Machine machine) {
    return {
        {.name = "bin/java", .data = "program", .unixMode = 0100755},
        {.name = fakeRuntimeLibrary(), .data = libraryImage(machine) + noise(50000)},
        {.name = "release", .data = "JAVA_VERSION=\"21\"\n"},
    };
}

std::string checksumOf(std::string_view bytes) {
    Sha256 hash;
    hash.update(bytes);
    return sha256Hex(*hash.finish());
}

std::vector<std::string> namesInFolder(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace launcher::test
