// Which registry roots are searched, and how the runtimes found there are
// ranked and chosen.

#include "jre/RuntimeRegistry.h"
#include "jre/RuntimeSelection.h"
#include "base/Platform.h"

#include <gtest/gtest.h>

#include <map>

namespace launcher {
namespace {

VersionNumber v(std::u16string_view text) { return parseVersion(text, kVersionFillLow).version; }

RuntimeCriteria defaults() {
    RuntimeCriteria c;
    c.maximumVersion = makeVersion(65535, 65535, 65535, 65535);
    c.jdkKind = c.jreKind = true;
    return c;
}

// A registry of roots holding (name, home) subkeys, and a file system of
// homes holding library flavours.
struct FakeRegistry : RuntimeRegistry {
    std::map<size_t, std::vector<std::pair<std::u16string, std::u16string>>> roots;
    TextList subkeyNames(size_t root) override {
        TextList names;
        for (auto& [name, home] : roots[root]) names.push_back(name);
        return names;
    }
    std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) override {
        for (auto& [n, home] : roots[root]) {
            if (n == name) return home;
        }
        return std::nullopt;
    }
};

std::map<std::u16string, std::vector<std::u16string>>& libraries() {
    static std::map<std::u16string, std::vector<std::u16string>> homes;
    return homes;
}

JvmLibrary fakeProbe(std::u16string_view home, JvmTypeCode type) {
    auto& flavours = libraries()[std::u16string(home)];
    return findJvmLibraryWith(home, type, [&](std::u16string_view path) {
        for (const std::u16string& f : flavours) {
            if (path == jvmLibraryPath(home, f)) return true;
        }
        return false;
    });
}

std::u16string home(std::u16string_view name) {
    std::u16string h(name);
    h.push_back(kPathSeparator);
    return h;
}

TEST(RuntimeSelection, WorkedExampleRanksPreferredThenVersion) {
    RuntimeCriteria c = defaults();
    c.minimumVersion = v(u"1.8");
    c.jvmType = JvmTypeCode::FavorServer;
    c.jdkKind = false; // favor_JRE
    FakeRegistry registry;
    registry.roots[0] = {{u"17.0.1", u"J17"}};
    registry.roots[3] = {{u"1.8", u"J8"}, {u"1.8.0_301", u"J8"}};
    libraries() = {{home(u"J17"), {u"server"}}, {home(u"J8"), {u"client", u"server"}}};

    std::vector<JreCandidate> found = collectCandidates(registry, c, &fakeProbe);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_TRUE(found[0].isServer);
    EXPECT_FALSE(found[0].isPreferred);
    EXPECT_FALSE(found[1].isServer); // root 4 is probed client first
    EXPECT_TRUE(found[1].isPreferred);

    rankCandidates(found, c);
    EXPECT_EQ(formatVersion(found[0].version), u"1.8.0.301");
    EXPECT_EQ(formatVersion(found[1].version), u"1.8");
    EXPECT_EQ(formatVersion(found[2].version), u"17.0.1");
    EXPECT_EQ(runRegistryPass(registry, c, &fakeProbe), home(u"J8"));
    // The final probe of the chosen home uses the configured type.
    EXPECT_EQ(fakeProbe(home(u"J8"), c.jvmType).path, jvmLibraryPath(home(u"J8"), u"server"));
}

TEST(RuntimeSelection, RootsSearchedByKindAndVendor) {
    struct Case {
        const char* name;
        bool favour, jdk, jre;
        VendorFlags vendors;
        const char* searched; // one character per root
    } cases[] = {
        {"default", true, true, true, {}, "1111000"},
        {"only_JRE", false, false, true, {}, "0101000"},
        {"only_JDK", false, true, false, {}, "1010000"},
        {"misspelt source", false, false, false, {}, "0000000"},
        {"any vendor", true, true, true, {true, false, true, false, true, false}, "1111111"},
        {"only_JRE with ibm", false, false, true, {false, false, false, false, true, true}, "0000001"},
        {"jrockit", true, true, true, {true, true, false, false, false, false}, "0000110"},
    };
    for (const Case& k : cases) {
        RuntimeCriteria c = defaults();
        c.favourKinds = k.favour;
        c.jdkKind = k.jdk;
        c.jreKind = k.jre;
        c.vendors = k.vendors;
        std::string searched;
        for (size_t r = 0; r < kRegistryRootCount; ++r) searched += isRootSearched(registryRoot(r), c) ? '1' : '0';
        EXPECT_EQ(searched, k.searched) << k.name;
    }
}

std::vector<JreCandidate> candidates(std::initializer_list<std::tuple<const char16_t*, bool, bool>> list) {
    std::vector<JreCandidate> out;
    for (auto [version, server, preferred] : list) out.push_back({v(version), version, server, preferred});
    return out;
}

TEST(RuntimeSelection, RankingRules) {
    RuntimeCriteria c = defaults();
    auto order = [&](std::vector<JreCandidate> list) {
        rankCandidates(list, c);
        std::u16string homes;
        for (auto& k : list) homes += k.home + u" ";
        return homes;
    };
    // Higher version first; equal versions keep discovery order.
    EXPECT_EQ(order(candidates({{u"1.8", 0, 0}, {u"17", 0, 0}, {u"11.0.2", 0, 0}, {u"17.0", 0, 0}})),
              u"17 17.0 11.0.2 1.8 ");
    // Preferred first only when kinds are favoured.
    EXPECT_EQ(order(candidates({{u"17", 0, 0}, {u"11", 0, 1}})), u"11 17 ");
    c.favourKinds = false;
    EXPECT_EQ(order(candidates({{u"17", 0, 0}, {u"11", 0, 1}})), u"17 11 ");
    // Server first only under favor_server.
    EXPECT_EQ(order(candidates({{u"17", 0, 0}, {u"11", 1, 0}})), u"17 11 ");
    c.jvmType = JvmTypeCode::FavorServer;
    EXPECT_EQ(order(candidates({{u"17", 0, 0}, {u"11", 1, 0}})), u"11 17 ");
}

TEST(RuntimeSelection, PreferredVersionsPickFromTheRanking) {
    std::vector<JreCandidate> ranked = candidates({{u"17.0.2", 0, 0}, {u"11.0.9", 0, 0}, {u"1.8.0_301", 0, 0}});
    struct Case {
        TextList preferred;
        std::optional<size_t> chosen;
    } cases[] = {
        {{}, 0},
        {{u"1.8", u"11"}, 2},
        {{u"9", u"11"}, 1},
        {{u"9", u"10"}, 0},
        {{u"11", u"", u"1.8"}, 1},
        {{u"9", u"", u"1.8"}, 0}, // an empty entry matches the top one
        {{u"11.0.2"}, 0},
        {{u"11.0.9"}, 1},
    };
    for (const Case& k : cases) EXPECT_EQ(chooseCandidate(ranked, k.preferred), k.chosen);
    EXPECT_EQ(chooseCandidate({}, {u"11"}), std::nullopt);
}

TEST(RuntimeSelection, RegistryPassFilters) {
    FakeRegistry registry;
    registry.roots[0] = {{u"17", u"J17"}, {u"Latest", u"JX"}, {u"11", u"missing"}, {u"21", u""}};
    registry.roots[2] = {{u"1.8.0_301", u"JDK8"}};
    registry.roots[1] = {{u"1.8", u"CLIENT"}};
    libraries() = {{home(u"J17"), {u"server"}},
                   {home(u"JX"), {u"server"}},
                   {home(u"JDK8") + u"jre" + kPathSeparator, {u"server"}},
                   {home(u"CLIENT"), {u"client"}}};
    RuntimeCriteria c = defaults();
    auto homes = [&] {
        std::u16string out;
        for (auto& k : collectCandidates(registry, c, &fakeProbe)) out += k.home + u" ";
        return out;
    };
    const std::u16string sep(1, kPathSeparator);
    // A name without digits is 0.0.0.0 and passes open bounds; a missing
    // library or empty home is skipped; the development kit's runtime is
    // in its jre folder.
    EXPECT_EQ(homes(), u"J17" + sep + u" JX" + sep + u" CLIENT" + sep + u" JDK8" + sep + u"jre" + sep + u" ");
    c.minimumVersion = v(u"1.8");
    c.maximumVersion = parseVersion(u"1.8", kVersionFillHigh).version;
    EXPECT_EQ(homes(), u"CLIENT" + sep + u" JDK8" + sep + u"jre" + sep + u" ");
    c.jvmType = JvmTypeCode::Server;
    EXPECT_EQ(homes(), u"JDK8" + sep + u"jre" + sep + u" ");
}

TEST(RuntimeSelection, ReadingOnDemandChoosesWhatTheFullListChooses) {
    FakeRegistry registry;
    registry.roots[0] = {{u"17.0.2", u"A"}, {u"11.0.9", u"broken"}, {u"Current", u"B"}};
    registry.roots[1] = {{u"17.0.2", u"C"}, {u"1.8.0_301", u"D"}, {u"11.0.1", u""}};
    registry.roots[3] = {{u"1.8", u"D"}, {u"21", u"missing"}};
    libraries() = {{home(u"A"), {u"client"}}, {home(u"B"), {u"server"}}, {home(u"C"), {u"server", u"client"}},
                   {home(u"D"), {u"client"}}, {home(u"broken"), {}}};
    const TextList preferences[] = {{}, {u"11"}, {u"1.8"}, {u"9", u"", u"1.8"}, {u"21", u"17"}, {u"0"}};
    for (bool favour : {true, false}) {
        for (JvmTypeCode type : {JvmTypeCode::Any, JvmTypeCode::Server}) {
            for (const TextList& preferred : preferences) {
                RuntimeCriteria c = defaults();
                c.favourKinds = favour;
                c.jdkKind = false;
                c.jvmType = type;
                c.preferredVersions = preferred;
                EXPECT_EQ(runRegistryPass(registry, c, &fakeProbe),
                          selectRuntimeHome(collectCandidates(registry, c, &fakeProbe), c));
            }
        }
    }
}

} // namespace
} // namespace launcher
