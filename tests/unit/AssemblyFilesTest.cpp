// Where a request of the background assembly may have the runtime write and
// the launcher delete: only files of the executable's own cache.

#include "launcher/CacheAssembly.h"

#include "base/Platform.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(AssemblyFiles, OnlyTheExecutablesCacheFilesInTheCacheFolder) {
    const std::u16string base = kWindows ? u"C:\\Users\\ann\\AppData\\Local" : u"/home/ann/.cache";
    const std::u16string shortBase = kWindows ? u"C:\\Users\\ANNLON~1\\AppData\\Local" : base;
    const std::u16string s(1, kPathSeparator);
    auto at = [&](std::u16string_view folder, std::u16string_view rest) { return std::u16string(folder) + s + std::u16string(rest); };
    struct Case {
        std::u16string stem;
        bool inside;
    } cases[] = {
        {at(base, u"Viewer" + s + u"7" + s + u"viewer-0123abcd"), true},
        {at(base, u"viewer-0123abcd"), true},
        {at(shortBase, u"Viewer" + s + u"viewer-0123abcd"), true},
        {at(base, u"Viewer" + s + u".." + s + u".." + s + u"viewer-0123abcd"), false},
        {at(base, u"." + s + u"viewer-0123abcd"), false},
        {at(base, s + u"viewer-0123abcd"), false},
        {at(base + u"x", u"viewer-0123abcd"), false},
        {base + u"viewer-0123abcd", false},
        {at(kWindows ? u"C:\\Windows" : u"/etc", u"viewer-0123abcd"), false},
        {at(base, u"other-0123abcd"), false},
        {at(base, u"viewer-0123abc"), false},
        {at(base, u"viewer"), false},
        {at(base, u"viewer-0123abcd" + s + u"viewer-0123abcd"), true},
    };
    for (const Case& c : cases) {
        AssemblyRequest request;
        request.jvmPath = u"jvm";
        request.files = aotFilesOf(c.stem);
        EXPECT_EQ(assemblyFilesInCache(request, {base, shortBase}, u"viewer"), c.inside) << toUtf8(c.stem);
    }
    if (kWindows) {
        AssemblyRequest request;
        request.files = aotFilesOf(u"c:\\users\\ANN\\appdata\\local\\viewer-0123abcd");
        EXPECT_TRUE(assemblyFilesInCache(request, {base}, u"viewer"));
        request.files = aotFilesOf(at(base, u"Viewer:x" + s + u"viewer-0123abcd"));
        EXPECT_FALSE(assemblyFilesInCache(request, {base}, u"viewer"));
        request.files = aotFilesOf(at(base, u"Viewer/../../viewer-0123abcd"));
        EXPECT_FALSE(assemblyFilesInCache(request, {base}, u"viewer"));
    }
}

TEST(AssemblyFiles, EveryFileBelongsToTheCachesStem) {
    const std::u16string stem = (kWindows ? u"C:\\cache\\" : u"/cache/") + std::u16string(u"viewer-0123abcd");
    const std::u16string elsewhere = kWindows ? u"C:\\Windows\\System32\\drivers\\x.sys" : u"/etc/passwd";
    AssemblyRequest good;
    good.files = aotFilesOf(stem);
    const std::u16string folder = kWindows ? u"C:\\cache" : u"/cache";
    ASSERT_TRUE(assemblyFilesInCache(good, {folder}, u"viewer"));
    std::vector<AssemblyRequest> bad(5, good);
    bad[0].files.configuration = elsewhere;
    bad[1].files.failed = elsewhere;
    bad[2].files.lock = elsewhere;
    bad[3].files.cache = stem + u".jsa";
    bad[4].temporary = stem + u".aot.12.tmp"; // a supervisor names no temporary file
    for (const AssemblyRequest& request : bad) EXPECT_FALSE(assemblyFilesInCache(request, {folder}, u"viewer"));

    AssemblyRequest assemble = good;
    assemble.step = AssemblyRequest::Assemble;
    for (const auto& [temporary, inside] : std::initializer_list<std::pair<std::u16string, bool>>{
             {stem + u".aot.4711.tmp", true}, {stem + u".aot.x.tmp", false}, {elsewhere + u".1.tmp", false},
             {stem + u".aot.1.tmp" + (kWindows ? u"\\..\\x.1.tmp" : u"/../x.1.tmp"), false}, {u"", false}}) {
        assemble.temporary = temporary;
        EXPECT_EQ(assemblyFilesInCache(assemble, {folder}, u"viewer"), inside) << toUtf8(temporary);
    }
}

TEST(AssemblyFiles, TheAssemblyPassesNoRuntimeOptionVariableOn) {
    const struct {
        std::u16string_view entry;
        bool kept;
    } cases[] = {
        {u"PATH=/usr/bin", true},
        {u"JAVA_TOOL_OPTIONS=-agentpath:/tmp/x.so", false},
        {u"_JAVA_OPTIONS=-Xmx1g", false},
        {u"QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY=aot1;", false},
        {u"JAVA_TOOL_OPTIONSX=1", true},
        {u"JAVA_HOME=/jdk", true},
        {u"java_tool_options=-agentpath:x", !kWindows}, // Windows compares names without regard to case
        {u"=C:=C:\\", true},                             // the drive's current folder Windows keeps
    };
    for (const auto& c : cases) EXPECT_EQ(keptForAssembly(c.entry), c.kept) << toUtf8(c.entry);
}

} // namespace
} // namespace launcher
