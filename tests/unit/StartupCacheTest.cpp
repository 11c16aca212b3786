#include "vmopts/StartupCache.h"
#include "vmopts/AheadOfTimeCache.h"

#include "base/Platform.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

namespace launcher {
namespace {

TEST(StartupCache, PlanFollowsTheRuntimeAndTheFiles) {
    struct Case {
        int32_t release;
        bool present, writable;
        CachePlan plan;
    } cases[] = {
        {0, true, true, CachePlan::Off},          {12, false, true, CachePlan::Off},
        {13, false, true, CachePlan::Record},     {18, true, true, CachePlan::Map},
        {17, false, false, CachePlan::Off},       {17, true, false, CachePlan::Map},
        {19, false, true, CachePlan::AutoCreate}, {25, true, true, CachePlan::AutoCreate},
        {21, true, false, CachePlan::Map},        {21, false, false, CachePlan::Off},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(planStartupCache({c.release, c.present, c.writable}), c.plan)
            << c.release << " " << c.present << " " << c.writable;
    }
}

TEST(StartupCache, OptionsSilenceTheRuntimeAndNameTheArchive) {
    const std::u16string quiet = u"-Xlog:cds*=off,class+path*=off";
    EXPECT_EQ(startupCacheOptions(CachePlan::Off, u"a.jsa", 17), TextList{});
    EXPECT_EQ(startupCacheOptions(CachePlan::Map, u"a.jsa", 17), (TextList{quiet, u"-XX:SharedArchiveFile=a.jsa"}));
    EXPECT_EQ(startupCacheOptions(CachePlan::Record, u"a.jsa", 13), (TextList{quiet, u"-XX:ArchiveClassesAtExit=a.jsa"}));
    EXPECT_EQ(startupCacheOptions(CachePlan::AutoCreate, u"a b.jsa", 21),
              (TextList{quiet, u"-XX:+AutoCreateSharedArchive", u"-XX:SharedArchiveFile=a b.jsa"}));
    // Runtimes before 25 refuse the "aot" tag and would not start.
    EXPECT_EQ(startupCacheOptions(CachePlan::AutoCreate, u"a.jsa", 25),
              (TextList{quiet, u"-Xlog:aot*=off", u"-XX:+AutoCreateSharedArchive", u"-XX:SharedArchiveFile=a.jsa"}));
}

TEST(StartupCache, ApplicationsThatManageSharingThemselvesKeepTheirChoice) {
    EXPECT_FALSE(managesClassSharing({u"-Xmx1g", u"-Xlog:cds", u"-Dx=-Xshare:off"}));
    for (const char16_t* own : {u"-Xshare:off", u"-XX:SharedArchiveFile=x.jsa", u"-XX:ArchiveClassesAtExit=x",
                                u"-XX:-AutoCreateSharedArchive", u"-XX:AOTCache=app.aot"}) {
        EXPECT_TRUE(managesClassSharing({u"-Xmx1g", own})) << toUtf8(own);
    }
}

TEST(StartupCache, FileNameTellsRuntimesAndClassPathsApart) {
    const std::u16string exe = std::u16string(u"apps") + kPathSeparator + u"My App.exe";
    const std::u16string name = startupCacheFileName(exe, u"jre/jvm", u"1 2", u"a.jar;");
    EXPECT_EQ(name.rfind(u"My App-", 0), 0u) << toUtf8(name);
    EXPECT_EQ(name.size(), std::u16string(u"My App-12345678.jsa").size());
    EXPECT_EQ(name, startupCacheFileName(exe, u"jre/jvm", u"1 2", u"a.jar;"));
    for (auto [jvm, stamp, classPath] : {std::tuple{u"jre2/jvm", u"1 2", u"a.jar;"}, std::tuple{u"jre/jvm", u"1 3", u"a.jar;"},
                                         std::tuple{u"jre/jvm", u"1 2", u"b.jar;"}, std::tuple{u"jre/jvm1", u" 2", u"a.jar;"}}) {
        EXPECT_NE(name, startupCacheFileName(exe, jvm, stamp, classPath)) << toUtf8(jvm) << toUtf8(stamp);
    }
}

// A header of the given version with three regions (offset, used) in the
// table at table, entries stride bytes apart.
std::string archiveHeader(uint32_t version, size_t table, size_t stride, std::array<std::pair<uint64_t, uint64_t>, 3> regions) {
    std::string head(kArchiveHeadSize, '\0');
    head.replace(0, 4, "\xa8\xab\x0b\xf0");
    std::memcpy(head.data() + 8, &version, 4);
    for (size_t i = 0; i < regions.size(); ++i) {
        std::memcpy(head.data() + table + i * stride, &regions[i].first, 8);
        std::memcpy(head.data() + table + i * stride + 16, &regions[i].second, 8);
    }
    return head;
}

TEST(StartupCache, OnlyWholeDynamicArchivesAreOffered) {
    const std::array<std::pair<uint64_t, uint64_t>, 3> regions{{{0x1000, 0xb438}, {0xd000, 0xd358}, {0x1b000, 0x650}}};
    for (auto [version, table, stride] : {std::tuple{11u, 40u, 72u}, std::tuple{19u, 48u, 96u}}) {
        const std::string head = archiveHeader(version, table, stride, regions);
        EXPECT_TRUE(looksLikeDynamicArchive(head, 0x1c000)) << version;
        EXPECT_TRUE(looksLikeDynamicArchive(head, 0x1b650)) << version;
        EXPECT_FALSE(looksLikeDynamicArchive(head, 0x1b64f)) << version;
        EXPECT_FALSE(looksLikeDynamicArchive(head, 0x8000)) << version;
        EXPECT_FALSE(looksLikeDynamicArchive(head.substr(0, 100), 0x1c000)) << version;
    }
    // An unknown layout is judged by its magic number alone.
    EXPECT_TRUE(looksLikeDynamicArchive(archiveHeader(15, 40, 72, regions), 0x100));
    std::string base = archiveHeader(11, 40, 72, regions);
    base[0] = '\xa2';
    EXPECT_FALSE(looksLikeDynamicArchive(base, 0x1c000));
    EXPECT_FALSE(looksLikeDynamicArchive(std::string("\xa8\xab\x0b", 3), 3));
    EXPECT_FALSE(looksLikeDynamicArchive("", 0));
}

TEST(StartupCache, HomeIsTwoFoldersAboveTheLibraryFolder) {
    const std::u16string home = kWindows ? u"C:\\Java\\jdk-17\\" : u"/usr/lib/jvm/jdk-17/";
    const std::u16string library = kWindows ? u"C:\\Java\\jdk-17\\bin\\server\\jvm.dll" : u"/usr/lib/jvm/jdk-17/lib/server/libjvm.so";
    EXPECT_EQ(runtimeHomeOfLibrary(library), home);
    EXPECT_EQ(runtimeHomeOfLibrary(u"jvm.dll"), u"");
}

// Files held in memory; every step can be made to fail.
class MemoryCacheFiles final : public CacheFiles {
public:
    std::u16string base = kWindows ? u"C:\\Users\\u\\AppData\\Local" : u"/home/u/.cache";
    bool foldersMade = true;
    bool narrowFails = false;
    bool removable = true;
    bool writable = true;
    std::map<std::u16string, std::pair<int64_t, std::string>> files; // time, head
    std::vector<std::u16string> removed;
    std::u16string madeFolder;

    std::u16string userCacheFolder() override { return base; }
    bool makeFolders(std::u16string_view folder) override {
        madeFolder = folder;
        return foldersMade;
    }
    std::optional<std::u16string> narrowForm(std::u16string_view path) override {
        if (narrowFails) return std::nullopt;
        return std::u16string(path);
    }
    std::optional<FileFacts> fileFacts(std::u16string_view path) override {
        auto it = files.find(std::u16string(path));
        if (it == files.end()) return std::nullopt;
        return FileFacts{it->second.first, it->second.second.size()};
    }
    std::map<std::u16string, int64_t> ages; // seconds; one day for files not named
    std::optional<int64_t> ageInSeconds(std::u16string_view path) override {
        if (!files.count(std::u16string(path))) return std::nullopt;
        auto it = ages.find(std::u16string(path));
        return it == ages.end() ? 86400 : it->second;
    }
    std::optional<std::string> readHead(std::u16string_view path, size_t count) override {
        auto it = files.find(std::u16string(path));
        if (it == files.end()) return std::nullopt;
        return it->second.second.substr(0, count);
    }
    bool removeFile(std::u16string_view path) override {
        if (!removable) return false;
        removed.emplace_back(path);
        files.erase(std::u16string(path));
        return true;
    }
    bool canWrite(std::u16string_view, uint64_t) override { return writable; }
    TextList folderEntries(std::u16string_view folder) override {
        TextList names;
        const std::u16string prefix = std::u16string(folder) + kPathSeparator;
        for (const auto& [path, file] : files) {
            if (startsWith(path, prefix) && path.find(kPathSeparator, prefix.size()) == std::u16string::npos) {
                names.push_back(path.substr(prefix.size()));
            }
        }
        return names;
    }
    std::set<std::u16string> folders; // with entries
    bool isFolderWithEntries(std::u16string_view path) override { return folders.count(std::u16string(path)) > 0; }
    bool createEmptyFile(std::u16string_view path) override {
        return files.emplace(std::u16string(path), std::pair<int64_t, std::string>{100, ""}).second;
    }
    bool renameFile(std::u16string_view from, std::u16string_view to) override {
        auto it = files.find(std::u16string(from));
        if (it == files.end()) return false;
        files[std::u16string(to)] = it->second;
        files.erase(std::u16string(from));
        return true;
    }
    uint32_t processId() override { return 42; }
    std::set<uint32_t> running{42};
    bool processRuns(uint32_t id) override { return running.count(id) > 0; }
};

const std::string kArchiveHead("\xa8\xab\x0b\xf0\0\0\0\0\x0f\0\0\0", 12);

struct DecideCase {
    const char* name;
    int32_t release = 17;
    int64_t archiveTime = -1; // -1: no archive
    std::string head = kArchiveHead;
    int64_t jarTime = 10;
    TextList options;
    void (*setup)(MemoryCacheFiles&) = nullptr;
    CachePlan plan;
    bool removed = false;
};

class DecideStartupCache : public ::testing::TestWithParam<DecideCase> {};

TEST_P(DecideStartupCache, LooksAtTheArchiveThenDecides) {
    const DecideCase& c = GetParam();
    MemoryCacheFiles files;
    const std::u16string sep(1, kPathSeparator);
    CacheRequest request;
    request.productName = u"My: App";
    request.productCode = u"..";
    request.executablePath = sep + u"apps" + sep + u"app.exe";
    request.jvmPath = sep + u"jre" + sep + u"jvm";
    request.featureRelease = c.release;
    request.classPath = sep + u"apps" + sep + u"a.jar" + kListSeparator + sep + u"apps" + sep + u"gone.jar" + kListSeparator;
    request.applicationOptions = c.options;
    files.files[request.jvmPath] = {5, "lib"};
    files.files[sep + u"apps" + sep + u"a.jar"] = {c.jarTime, "PK"};
    // Invalid folder characters go, and ".." never climbs out of the folder.
    const std::u16string archive = files.base + sep + u"My App" + sep +
                                   startupCacheFileName(request.executablePath, request.jvmPath, u"3 5", request.classPath);
    if (c.archiveTime >= 0) files.files[archive] = {c.archiveTime, c.head};
    if (c.setup) c.setup(files);

    CacheDecision decision = decideStartupCache(request, files);
    EXPECT_EQ(decision.plan, c.plan) << toUtf8(decision.reason);
    EXPECT_EQ(!files.removed.empty(), c.removed);
    if (c.plan != CachePlan::Off) {
        EXPECT_EQ(decision.archive, archive);
        EXPECT_EQ(files.madeFolder, files.base + sep + u"My App");
    }
}

INSTANTIATE_TEST_SUITE_P(
    StartupCache, DecideStartupCache,
    ::testing::Values(
        DecideCase{.name = "FirstStartRecords", .plan = CachePlan::Record},
        DecideCase{.name = "FreshArchiveIsMapped", .archiveTime = 20, .plan = CachePlan::Map},
        DecideCase{.name = "NewerRuntimesAlwaysMayRecreate", .release = 21, .archiveTime = 20, .plan = CachePlan::AutoCreate},
        DecideCase{.name = "ArchiveOlderThanAJarIsRecordedAgain", .archiveTime = 20, .jarTime = 30, .plan = CachePlan::Record, .removed = true},
        // Equal times happen on 2-second FAT stamps and with tools that
        // copy times: an archive as new as its newest input is current.
        DecideCase{.name = "ArchiveAsNewAsItsNewestJarIsMapped", .archiveTime = 20, .jarTime = 20, .plan = CachePlan::Map},
        DecideCase{.name = "ArchiveAsNewAsTheRuntimeIsMapped", .archiveTime = 5, .jarTime = 1, .plan = CachePlan::Map},
        DecideCase{.name = "ArchiveOlderThanTheRuntime", .archiveTime = 3, .jarTime = 1, .plan = CachePlan::Record, .removed = true},
        DecideCase{.name = "NotAnArchiveIsReplaced", .archiveTime = 20, .head = "garbage", .plan = CachePlan::Record, .removed = true},
        DecideCase{.name = "EmptyFileIsReplaced", .archiveTime = 20, .head = "", .plan = CachePlan::Record, .removed = true},
        DecideCase{.name = "StuckFileTurnsTheCacheOff", .archiveTime = 20, .head = "garbage",
                   .setup = [](MemoryCacheFiles& f) { f.removable = false; }, .plan = CachePlan::Off},
        DecideCase{.name = "ReadOnlyFolderStillMaps", .archiveTime = 20,
                   .setup = [](MemoryCacheFiles& f) { f.writable = false; }, .plan = CachePlan::Map},
        DecideCase{.name = "ReadOnlyFolderRecordsNothing", .setup = [](MemoryCacheFiles& f) { f.writable = false; },
                   .plan = CachePlan::Off},
        DecideCase{.name = "OldRuntime", .release = 11, .plan = CachePlan::Off},
        DecideCase{.name = "UnknownVersion", .release = 0, .plan = CachePlan::Off},
        DecideCase{.name = "ApplicationManagesSharing", .options = {u"-Xshare:off"}, .plan = CachePlan::Off},
        DecideCase{.name = "NoCacheFolder", .setup = [](MemoryCacheFiles& f) { f.base.clear(); }, .plan = CachePlan::Off},
        DecideCase{.name = "FolderCannotBeMade", .setup = [](MemoryCacheFiles& f) { f.foldersMade = false; },
                   .plan = CachePlan::Off},
        DecideCase{.name = "PathCannotReachTheRuntime", .setup = [](MemoryCacheFiles& f) { f.narrowFails = true; },
                   .plan = CachePlan::Off}),
    [](const auto& info) { return std::string(info.param.name); });

// Heads of an unknown header layout: judged by their magic number alone.
const std::string kAotHead("\xa2\xab\x0b\xf0\0\0\0\0\x0f\0\0\0", 12);
const std::string kConfigurationHead("\x7c\xa0\xfe\xca\0\0\0\0\x0f\0\0\0", 12);

TEST(StartupCache, OnlyAWholeRecordedConfigurationGoesInPlace) {
    const AotFiles aot = aotFilesOf(u"c/app-1");
    const std::u16string recording = aot.configuration + u".42.tmp";
    for (const std::string& head : {kConfigurationHead, kConfigurationHead.substr(0, 8), kAotHead, std::string()}) {
        MemoryCacheFiles files;
        files.files[recording] = {1, head};
        files.files[aot.configuration] = {0, "older"};
        const bool whole = head == kConfigurationHead;
        EXPECT_EQ(placeRecordedConfiguration(files, recording, aot), whole);
        EXPECT_EQ(files.files.count(recording), 0u) << "never left behind";
        EXPECT_EQ(files.files[aot.configuration].second, whole ? kConfigurationHead : "older");
    }
    MemoryCacheFiles none;
    EXPECT_FALSE(placeRecordedConfiguration(none, recording, aot));
    EXPECT_EQ(none.files.count(aot.configuration), 0u);
    // Two starts recorded at once, and the other one's cache is assembled.
    MemoryCacheFiles assembled;
    assembled.files[recording] = {1, kConfigurationHead};
    assembled.files[aot.cache] = {1, kAotHead};
    EXPECT_FALSE(placeRecordedConfiguration(assembled, recording, aot));
    EXPECT_EQ(assembled.files.count(recording) + assembled.files.count(aot.configuration), 0u);
}

struct AotCase {
    const char* name;
    int64_t cacheTime = -1; // -1: no such file
    std::string cacheHead = kAotHead;
    int64_t configurationTime = -1;
    std::string configurationHead = kConfigurationHead;
    int64_t failedTime = -1;
    int64_t failedAge = 86400; // seconds
    int32_t release = 25;
    bool folderOnClassPath = false;
    bool writable = true;
    CachePlan plan;
    std::set<std::u16string> removed; // by extension
};

class DecideAotCache : public ::testing::TestWithParam<AotCase> {};

TEST_P(DecideAotCache, LooksAtTheFilesThenDecides) {
    const AotCase& c = GetParam();
    MemoryCacheFiles files;
    files.writable = c.writable;
    const std::u16string sep(1, kPathSeparator);
    CacheRequest request;
    request.productName = u"My App";
    request.executablePath = sep + u"apps" + sep + u"app.exe";
    request.jvmPath = sep + u"jdk" + sep + u"lib" + sep + u"server" + sep + u"libjvm.so";
    request.featureRelease = c.release;
    request.classPath = sep + u"apps" + sep + u"a.jar" + kListSeparator + sep + u"apps" + sep + u"classes";
    files.files[request.jvmPath] = {5, "lib"};
    files.files[sep + u"apps" + sep + u"a.jar"] = {10, "PK"};
    if (c.folderOnClassPath) files.folders.insert(sep + u"apps" + sep + u"classes");
    const std::u16string folder = files.base + sep + u"My App";
    const std::u16string stem =
        folder + sep + startupCacheStem(request.executablePath, request.jvmPath, u"3 5", request.classPath);
    const AotFiles aot = aotFilesOf(stem);
    if (c.cacheTime >= 0) files.files[aot.cache] = {c.cacheTime, c.cacheHead};
    if (c.configurationTime >= 0) files.files[aot.configuration] = {c.configurationTime, c.configurationHead};
    if (c.failedTime >= 0) files.files[aot.failed] = {c.failedTime, ""};
    files.ages[aot.failed] = c.failedAge;
    // Leftovers: another runtime's files, a killed writer's and a running
    // writer's temporary files, another program's file.
    for (const char16_t* name : {u"app-00000000.aot", u"app-00000000.jsa", u"app-00000000.aotconf"}) {
        files.files[folder + sep + name] = {20, kAotHead};
    }
    files.files[aot.cache + u".7.tmp"] = {20, "half"};
    files.files[aot.configuration + u".42.tmp"] = {20, "half"};
    files.files[folder + sep + u"other-00000000.aot"] = {20, kAotHead};

    const CacheDecision decision = decideStartupCache(request, files);
    EXPECT_EQ(decision.plan, c.plan) << toUtf8(decision.reason);
    std::set<std::u16string> removed;
    for (const std::u16string& path : files.removed) removed.insert(path);
    std::set<std::u16string> expected{folder + sep + u"app-00000000.aot", folder + sep + u"app-00000000.jsa",
                                      folder + sep + u"app-00000000.aotconf", aot.cache + u".7.tmp"};
    for (const std::u16string& extension : c.removed) expected.insert(stem + extension);
    EXPECT_EQ(removed, expected);
    if (c.plan == CachePlan::AotUse || c.plan == CachePlan::AotRecord || c.plan == CachePlan::AotAssemble) {
        EXPECT_EQ(decision.aotStem, stem);
        EXPECT_EQ(decision.recording, aot.configuration + u".42.tmp");
    }
    if (c.plan == CachePlan::AutoCreate) {
        EXPECT_EQ(decision.archive, stem + u".jsa");
    }
}

INSTANTIATE_TEST_SUITE_P(
    StartupCache, DecideAotCache,
    ::testing::Values(
        AotCase{.name = "FirstStartRecords", .plan = CachePlan::AotRecord},
        AotCase{.name = "CacheIsUsed", .cacheTime = 30, .plan = CachePlan::AotUse},
        AotCase{.name = "CacheIsUsedBeforeAMarkOfFailure", .cacheTime = 30, .failedTime = 30, .plan = CachePlan::AotUse},
        AotCase{.name = "ConfigurationWaitsForItsAssembly", .configurationTime = 30, .plan = CachePlan::AotAssemble},
        AotCase{.name = "FailedAssemblyFallsBackToTheArchive", .configurationTime = 30, .failedTime = 30,
                .plan = CachePlan::AutoCreate},
        AotCase{.name = "MarkOfFailureIsTriedAgainAfterAWeek", .configurationTime = 30, .failedTime = 30,
                .failedAge = 8 * 86400, .plan = CachePlan::AotAssemble, .removed = {u".aotfailed"}},
        AotCase{.name = "MarkOfFailureHoldsForAWeek", .configurationTime = 30, .failedTime = 30,
                .failedAge = 6 * 86400, .plan = CachePlan::AutoCreate},
        AotCase{.name = "StaleMarkOfFailureIsForgotten", .failedTime = 4, .plan = CachePlan::AotRecord, .removed = {u".aotfailed"}},
        AotCase{.name = "CacheOlderThanAJarIsRecordedAgain", .cacheTime = 9, .configurationTime = 9,
                .plan = CachePlan::AotRecord, .removed = {u".aot", u".aotconf"}},
        AotCase{.name = "CutCacheIsRemoved", .cacheTime = 30, .cacheHead = kAotHead.substr(0, 6),
                .configurationTime = 30, .plan = CachePlan::AotAssemble, .removed = {u".aot"}},
        AotCase{.name = "ArchiveInTheCachesPlaceIsRemoved", .cacheTime = 30, .cacheHead = kArchiveHead,
                .plan = CachePlan::AotRecord, .removed = {u".aot"}},
        AotCase{.name = "CutConfigurationIsRecordedAgain", .configurationTime = 30, .configurationHead = "\x7c\xa0",
                .plan = CachePlan::AotRecord, .removed = {u".aotconf"}},
        AotCase{.name = "FolderOnTheClassPathGetsTheArchive", .folderOnClassPath = true, .plan = CachePlan::AutoCreate},
        AotCase{.name = "Runtime24GetsTheArchive", .release = 24, .plan = CachePlan::AutoCreate},
        AotCase{.name = "ReadOnlyFolderUsesTheCache", .cacheTime = 30, .writable = false, .plan = CachePlan::AotUse},
        AotCase{.name = "ReadOnlyFolderRecordsNothing", .writable = false, .plan = CachePlan::Off},
        AotCase{.name = "ReadOnlyFolderAssemblesNothing", .configurationTime = 30, .writable = false, .plan = CachePlan::Off}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher
