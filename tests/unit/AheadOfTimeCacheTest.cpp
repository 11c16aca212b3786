#include "vmopts/AheadOfTimeCache.h"

#include "base/Platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

namespace launcher {
namespace {

TEST(AheadOfTimeCache, KindFollowsTheRuntimeAndTheClassPath) {
    struct Case {
        int32_t release;
        bool hotSpot, folder;
        CacheKind kind;
    } cases[] = {
        {0, true, false, CacheKind::None},          {12, true, false, CacheKind::None},
        {13, true, false, CacheKind::Archive},      {24, true, false, CacheKind::Archive},
        {25, true, false, CacheKind::AheadOfTime},  {26, true, false, CacheKind::AheadOfTime},
        {25, true, true, CacheKind::Archive},       {25, false, false, CacheKind::Archive},
        {17, true, true, CacheKind::Archive},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(startupCacheKind({c.release, c.hotSpot, c.folder}), c.kind) << c.release << c.hotSpot << c.folder;
    }
    const std::u16string s(1, kPathSeparator);
    EXPECT_TRUE(isHotSpotLibrary(s + u"jdk" + s + u"lib" + s + u"server" + s + u"libjvm.so"));
    EXPECT_TRUE(isHotSpotLibrary(s + u"jdk" + s + u"bin" + s + u"Client" + s + u"jvm.dll"));
    EXPECT_FALSE(isHotSpotLibrary(s + u"j9" + s + u"lib" + s + u"default" + s + u"libjvm.so"));
    EXPECT_FALSE(isHotSpotLibrary(s + u"j9" + s + u"lib" + s + u"j9vm" + s + u"libjvm.so"));
    EXPECT_FALSE(isHotSpotLibrary(u"libjvm.so"));
}

TEST(AheadOfTimeCache, PlanUsesRecordsOrWaitsForTheAssembly) {
    struct Case {
        bool cache, configuration, failed, writable;
        std::optional<CachePlan> plan;
    } cases[] = {
        {true, false, false, true, CachePlan::AotUse},
        {true, true, true, false, CachePlan::AotUse},
        {false, false, false, true, CachePlan::AotRecord},
        {false, true, false, true, CachePlan::AotAssemble},
        {false, false, false, false, CachePlan::Off},
        {false, true, false, false, CachePlan::Off},
        {false, true, true, true, std::nullopt}, // the archive's rules
        {false, false, true, false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(planAotCache({c.cache, c.configuration, c.failed, c.writable}), c.plan)
            << c.cache << c.configuration << c.failed << c.writable;
    }
}

TEST(AheadOfTimeCache, OptionsRecordUseAndAssemble) {
    const TextList quiet{u"-Xlog:cds*=off,class+path*=off", u"-Xlog:aot*=off"};
    auto with = [&](TextList more) {
        TextList all = quiet;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    EXPECT_EQ(startupCacheOptions(CachePlan::AotUse, u"a b.aot", 25), with({u"-XX:AOTCache=a b.aot"}));
    EXPECT_EQ(startupCacheOptions(CachePlan::AotRecord, u"a.aotconf.7.tmp", 25),
              with({u"-XX:AOTMode=record", u"-XX:AOTConfiguration=a.aotconf.7.tmp"}));
    EXPECT_EQ(startupCacheOptions(CachePlan::AotAssemble, u"a.aotconf", 25), TextList{});

    CacheDecision decision;
    decision.aotStem = u"c/app-1";
    decision.recording = u"c/app-1.aotconf.9.tmp";
    decision.archive = u"c/app-1.jsa";
    decision.plan = CachePlan::AotUse;
    EXPECT_EQ(startupCacheOptions(decision, 25), with({u"-XX:AOTCache=c/app-1.aot"}));
    decision.plan = CachePlan::AotRecord;
    EXPECT_EQ(startupCacheOptions(decision, 25), with({u"-XX:AOTMode=record", u"-XX:AOTConfiguration=c/app-1.aotconf.9.tmp"}));
    decision.plan = CachePlan::Map;
    EXPECT_EQ(startupCacheOptions(decision, 25), with({u"-XX:SharedArchiveFile=c/app-1.jsa"}));

    AssemblyRequest request;
    request.classPath = u"a.jar:b.jar";
    request.files = aotFilesOf(u"c/app-1");
    request.temporary = u"c/app-1.aot.5.tmp";
    request.options = {u"-XX:+UseZGC", u"-Xmx40g"};
    const TextList assembly = aotAssemblyOptions(request);
    EXPECT_EQ(assembly, (TextList{u"-Djava.class.path=a.jar:b.jar", u"-XX:+UseZGC", u"-Xmx40g", quiet[0], quiet[1],
                                  u"-XX:AOTMode=create", u"-XX:AOTConfiguration=c/app-1.aotconf",
                                  u"-XX:AOTCache=c/app-1.aot.5.tmp"}));
}

// What decides the cache's layout goes along; what acts on its own stays.
TEST(AheadOfTimeCache, AssemblyTakesTheOptionsThatShapeTheCache) {
    const TextList application{u"-Xmx40g", u"-Xms1g", u"-XX:+UseCompactObjectHeaders", u"-XX:+UseZGC",
                               u"--enable-preview", u"--add-opens=java.base/java.lang=ALL-UNNAMED",
                               u"-Dapp.mode=full", u"-javaagent:agent.jar", u"-agentlib:jdwp=transport=dt_socket",
                               u"-Xlog:gc:file=gc.log", u"-XX:StartFlightRecording=filename=app.jfr",
                               u"-XX:OnOutOfMemoryError=kill -9 %p", u"-XX:+LogVMOutput", u"-XX:LogFile=vm.log",
                               u"-Xss2m", u"-verbose:class", u"-XX:Flags=.hotspotrc", u"-XX:VMOptionsFile=more.txt",
                               u"-XX:ErrorFile=C:\\Windows\\x.log", u"-XX:+UseZGCx", u"-XX:UseZGC", u"-Xmx", u"-Xmx4q",
                               u"--add-modules", u"--add-modules=", u"--enable-previews", u"-XX:MaxHeapSize=2g",
                               u"--module-path=mods", u"-XX:-UseCompressedOops"};
    EXPECT_EQ(assemblyRelevantOptions(application),
              (TextList{u"-Xmx40g", u"-XX:+UseCompactObjectHeaders", u"-XX:+UseZGC", u"--enable-preview",
                        u"--add-opens=java.base/java.lang=ALL-UNNAMED", u"-XX:MaxHeapSize=2g", u"--module-path=mods",
                        u"-XX:-UseCompressedOops"}));
    // A request carries only what a start would have handed on.
    AssemblyRequest request;
    request.jvmPath = u"/jdk/lib/server/libjvm.so";
    request.files = aotFilesOf(u"/cache/app-1");
    for (const std::u16string& option : application) {
        request.options = {option};
        const bool handedOn = assemblyRelevantOptions({option}) == TextList{option};
        EXPECT_EQ(decodeAssemblyRequest(encodeAssemblyRequest(request)).has_value(), handedOn) << toUtf8(option);
    }
    EXPECT_EQ(assemblyRelevantOptions({}), TextList{});
}

TEST(AheadOfTimeCache, LeftoversAreJudgedByNameAndWriter) {
    struct Case {
        const char16_t* name;
        EntryVerdict::What what;
        uint32_t writer = 0;
    } cases[] = {
        {u"app-0123abcd.aot", EntryVerdict::Keep},
        {u"app-0123abcd.aotconf", EntryVerdict::Keep},
        {u"app-0123abcd.jsa", EntryVerdict::Keep},
        {u"app-fedc9876.aot", EntryVerdict::Remove},
        {u"app-fedc9876.jsa", EntryVerdict::Remove},
        {u"app-fedc9876.aotconf", EntryVerdict::Remove},
        {u"app-fedc9876.aotfailed", EntryVerdict::Remove},
        {u"app-fedc9876.aotlock", EntryVerdict::Remove},
        {u"app-0123abcd.aot.4711.tmp", EntryVerdict::RemoveUnlessWriterRuns, 4711},
        {u"app-fedc9876.aotconf.12.tmp", EntryVerdict::RemoveUnlessWriterRuns, 12},
        {u"app-0123abcd.aotfailed.3.tmp", EntryVerdict::RemoveUnlessWriterRuns, 3},
        // Not ours: other executables, other files, odd names.
        {u"app-two-fedc9876.aot", EntryVerdict::Keep},
        {u"apps-fedc9876.aot", EntryVerdict::Keep},
        {u"other-fedc9876.aot", EntryVerdict::Keep},
        {u"app-fedc987.aot", EntryVerdict::Keep},
        {u"app-FEDC9876.aot", EntryVerdict::Keep},
        {u"app-fedc9876.aotx", EntryVerdict::Keep},
        {u"app-fedc9876.aot.tmp", EntryVerdict::Keep},
        {u"app-fedc9876.aot.x1.tmp", EntryVerdict::Keep},
        {u"app-fedc9876.aot.99999999999.tmp", EntryVerdict::Keep},
        {u"app-fedc9876.txt", EntryVerdict::Keep},
        {u"app.ini", EntryVerdict::Keep},
        {u"", EntryVerdict::Keep},
    };
    for (const Case& c : cases) {
        const EntryVerdict verdict = judgeCacheEntry(c.name, u"app", u"app-0123abcd");
        EXPECT_EQ(verdict.what, c.what) << toUtf8(c.name);
        if (c.what == EntryVerdict::RemoveUnlessWriterRuns) {
            EXPECT_EQ(verdict.writer, c.writer) << toUtf8(c.name);
        }
    }
    EXPECT_EQ(temporaryNameOf(u"c/app-1.aot", 4711), u"c/app-1.aot.4711.tmp");
}

TEST(AheadOfTimeCache, RequestTravelsWholeAndNothingElseIsTakenForOne) {
    AssemblyRequest request;
    request.jvmPath = u"/jdk/lib/server/libjvm.so";
    request.classPath = u"/a b/x.jar:/c\n:/d;e.jar:\u00e9\u4e2d.jar";
    request.files = aotFilesOf(u"/cache/9:app-1");
    EXPECT_EQ(decodeAssemblyRequest(encodeAssemblyRequest(request)), request);
    request.options = {u"-XX:+UseZGC", u"--module-path=12:34", u"--add-opens=a/b=ALL-UNNAMED"};
    EXPECT_EQ(decodeAssemblyRequest(encodeAssemblyRequest(request)), request);
    request.step = AssemblyRequest::Assemble;
    request.temporary = u"/cache/app-1.aot.12.tmp";
    EXPECT_EQ(decodeAssemblyRequest(encodeAssemblyRequest(request)), request);

    const std::u16string good = encodeAssemblyRequest(request);
    AssemblyRequest noTemporary = request;
    noTemporary.temporary = u"/cache/app-1.aot"; // the runtime would write in place
    AssemblyRequest noRuntime = request;
    noRuntime.jvmPath.clear();
    for (const std::u16string& bad : {std::u16string(), std::u16string(u"1"), good.substr(0, good.size() - 1), good + u"x",
                                      good.substr(1), encodeAssemblyRequest(noTemporary), encodeAssemblyRequest(noRuntime),
                                      std::u16string(u"aot1;4:walk0:0:0:0:0:0:0:")}) {
        EXPECT_FALSE(decodeAssemblyRequest(bad)) << toUtf8(bad);
    }
}

TEST(AheadOfTimeCache, OnlyWholeCachesAndConfigurationsAreOffered) {
    std::string head(kArchiveHeadSize, '\0');
    const uint32_t version = 19;
    std::memcpy(head.data() + 8, &version, 4);
    const uint64_t regions[3][2] = {{0x1000, 0x357f18}, {0x359000, 0x580728}, {0x8da000, 0xd5b8}};
    for (size_t i = 0; i < 3; ++i) {
        std::memcpy(head.data() + 48 + i * 96, &regions[i][0], 8);
        std::memcpy(head.data() + 48 + i * 96 + 16, &regions[i][1], 8);
    }
    for (uint32_t magic : {kAotCacheMagic, kAotConfigurationMagic}) {
        std::memcpy(head.data(), &magic, 4);
        EXPECT_TRUE(looksLikeWholeCacheFile(head, 0x8e75b8, magic));
        EXPECT_FALSE(looksLikeWholeCacheFile(head, 0x8e75b7, magic)) << "cut short";
        EXPECT_FALSE(looksLikeWholeCacheFile(head, 0x8e75b8, magic ^ 0x8)) << "another kind";
        EXPECT_FALSE(looksLikeDynamicArchive(head, 0x8e75b8));
    }
}

} // namespace
} // namespace launcher
