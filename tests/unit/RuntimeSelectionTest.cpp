// Which registry roots are searched, and how the runtimes found there are
// ranked and chosen.

#include "jre/RuntimeRegistry.h"
#include "jre/RuntimeSelection.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace launcher {
namespace {

using test::home;

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
    std::vector<FolderRuntime> folders;
    std::map<std::u16string, std::u16string> releases; // home -> JAVA_VERSION
    int releasesRead = 0;
    std::vector<FolderRuntime> folderRuntimes() override { return folders; }
    // The probe below stands for the files: every library it finds fits.
    std::u16string libraryUnfit(std::u16string_view) override { return {}; }
    std::u16string versionOfHome(std::u16string_view h) override {
        ++releasesRead;
        return releases[std::u16string(h)];
    }
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
        for (size_t r = 0; r < kClassicRootCount; ++r) searched += isRootSearched(registryRoot(r), c) ? '1' : '0';
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

// The root of a key in a hive.
size_t rootOf(std::u16string_view key, Hive hive = Hive::Machine) {
    for (size_t r = 0; r < registryRootCount(); ++r) {
        if (registryRoot(r).key == key && registryRoot(r).hive == hive) return r;
    }
    ADD_FAILURE() << "no such root";
    return 0;
}

std::string parts(const VersionNumber& version) {
    std::string out;
    for (int32_t part : version.parts) {
        if (!out.empty()) out.push_back('.');
        out.append(std::to_string(part));
    }
    return out;
}

const std::u16string_view kAdoptiumJdk = u"SOFTWARE\\Eclipse Adoptium\\JDK\\";
const std::u16string_view kAdoptiumJre = u"SOFTWARE\\Eclipse Adoptium\\JRE\\";
const std::u16string_view kZulu = u"SOFTWARE\\Azul Systems\\Zulu\\";
const std::u16string_view kLiberica = u"SOFTWARE\\BellSoft\\Liberica\\";

TEST(RuntimeSelection, DistributionRootsTellKindAndVersionsFromTheName) {
    constexpr auto M = Hive::Machine;
    constexpr auto U = Hive::User;
    constexpr auto Jdk = RuntimeKind::Jdk;
    constexpr auto Jre = RuntimeKind::Jre;
    struct Case {
        std::u16string_view key;
        Hive hive;
        std::u16string_view name;
        RuntimeKind kind;
        const char *lowest, *highest;
        bool native, wow32;
    } cases[] = {
        // The installers' own versions: the first three numbers are Java's,
        // the fourth the installer's build (or patch × 100 + build).
        {kAdoptiumJdk, M, u"17.0.9.9", Jdk, "17.0.9.0", "17.0.9.65535", 1, 1},
        {kAdoptiumJdk, M, u"17.0.4.101", Jdk, "17.0.4.0", "17.0.4.65535", 1, 1},
        {kAdoptiumJdk, M, u"8.0.392.8", Jdk, "1.8.0.392", "1.8.0.392", 1, 1},
        {kAdoptiumJre, U, u"11.0.21.9", Jre, "11.0.21.0", "11.0.21.65535", 1, 1},
        {kZulu, M, u"zulu-17", Jdk, "17.0.0.0", "17.65535.65535.65535", 1, 1},
        {kZulu, U, u"zulu-8-jre", Jre, "1.8.0.0", "1.8.65535.65535", 1, 1},
        {u"SOFTWARE\\Azul Systems\\Zulu 32-bit\\", U, u"zulu-11", Jdk, "11.0.0.0", "11.65535.65535.65535", 0, 1},
        {kLiberica, M, u"jre-17-full", Jre, "17.0.0.0", "17.65535.65535.65535", 1, 1},
        {u"SOFTWARE\\SapMachine\\JDK\\", M, u"17.0.9", Jdk, "17.0.9.0", "17.0.9.65535", 1, 1},
        {u"SOFTWARE\\SapMachine\\JDK\\", M, u"17.0.9.256", Jdk, "17.0.9.0", "17.0.9.65535", 1, 1},
        {u"SOFTWARE\\SapMachine\\JDK\\", M, u"1.8.0_392", Jdk, "1.8.0.392", "1.8.0.392", 1, 1},
        // The classic roots know no major-only names: "17" is 17.0.0.0.
        {u"Software\\JavaSoft\\JDK\\", M, u"17", Jdk, "17.0.0.0", "17.0.0.0", 1, 1},
    };
    for (const Case& k : cases) {
        const RegistryRoot& root = registryRoot(rootOf(k.key, k.hive));
        std::string label = toUtf8(k.name);
        EXPECT_EQ(subkeyKind(root, k.name), k.kind) << label;
        NameVersions versions = subkeyVersions(root, k.name);
        EXPECT_EQ(parts(versions.lowest), k.lowest) << label;
        EXPECT_EQ(parts(versions.highest), k.highest) << label;
        EXPECT_EQ(isRootInView(root, false), k.native) << label;
        EXPECT_EQ(isRootInView(root, true), k.wow32) << label;
    }
    // Classic roots first, then the machine's, then the user's.
    EXPECT_LT(rootOf(u"Software\\IBM\\Java2 Runtime Environment\\"), rootOf(kAdoptiumJdk));
    EXPECT_LT(rootOf(u"SOFTWARE\\SapMachine\\JRE\\"), rootOf(kAdoptiumJdk, Hive::User));
}

// Registered runtimes of every source side by side: which one a pass
// chooses, both when every candidate is read and when only what the choice
// reaches is.
struct SourceCase {
    const char* name;
    std::vector<std::tuple<size_t, std::u16string, std::u16string>> keys; // root, name, home
    std::vector<FolderRuntime> folders;
    std::function<void(RuntimeCriteria&)> configure;
    std::optional<std::u16string> chosen;
};

FolderRuntime folder(std::u16string_view h, std::u16string_view version, RuntimeKind kind,
                     RuntimeVendor vendor = RuntimeVendor::Sun) {
    return {std::u16string(version), home(h), 0, kind, vendor};
}

TEST(RuntimeSelection, NewSourcesJoinTheRanking) {
    const size_t classicJre = 3, classicJdk = 0;
    const size_t zulu = rootOf(kZulu), liberica = rootOf(kLiberica);
    const size_t adoptium = rootOf(kAdoptiumJdk), adoptiumUser = rootOf(kAdoptiumJdk, Hive::User);
    auto none = [](RuntimeCriteria&) {};
    auto onlyJre = [](RuntimeCriteria& c) { c.favourKinds = false, c.jdkKind = false; };
    auto maximum = [](const char16_t* text) {
        return [text](RuntimeCriteria& c) { c.maximumVersion = parseVersion(text, kVersionFillHigh).version; };
    };
    const SourceCase cases[] = {
        {"release file refines a major-only name", {{classicJdk, u"17.0.9", u"C17"}, {zulu, u"zulu-17", u"Z17"}}, {}, none,
         home(u"Z17")},
        {"equal versions go to the classic root", {{zulu, u"zulu-17", u"Z17b"}, {classicJdk, u"17.0.10", u"C17"}}, {}, none,
         home(u"C17")},
        {"release of another major is not believed", {{classicJdk, u"17.0.9", u"C17"}, {zulu, u"zulu-17", u"Z21"}}, {},
         none, home(u"C17")},
        {"no release file: the major alone", {{classicJdk, u"17.0.9", u"C17"}, {zulu, u"zulu-17", u"Z0"}}, {}, none,
         home(u"C17")},
        {"maximum applies to the refined version", {{classicJdk, u"17.0.9", u"C17"}, {zulu, u"zulu-17", u"Z17"}}, {},
         maximum(u"17.0.9"), home(u"C17")},
        {"zulu-8 is a 1.8 runtime", {{zulu, u"zulu-8", u"Z8"}, {classicJdk, u"11.0.2", u"C11"}}, {}, maximum(u"1.8"),
         home(u"Z8")},
        {"Liberica's prefix gives the kind", {{liberica, u"jdk-21", u"L21"}, {liberica, u"jre-11", u"L11"}}, {}, onlyJre,
         home(u"L11")},
        {"newer folder runtime beats the registry", {{classicJdk, u"17.0.9", u"C17"}},
         {folder(u"F21", u"21.0.1", RuntimeKind::Jdk)}, none, home(u"F21")},
        {"folder runtimes are filtered by kind", {{classicJre, u"1.8.0_301", u"J8"}},
         {folder(u"F21", u"21.0.1", RuntimeKind::Jdk)}, onlyJre, home(u"J8")},
        {"folder runtimes are filtered by vendor", {}, {folder(u"F21", u"21.0.1", RuntimeKind::Jdk, RuntimeVendor::Ibm)},
         none, std::nullopt},
        {"folder without a library", {}, {folder(u"empty", u"21", RuntimeKind::Jdk)}, none, std::nullopt},
        {"names and releases without a version", {{zulu, u"zulu-latest", u"Z17"}},
         {folder(u"F21", u"unknown", RuntimeKind::Jdk)}, none, std::nullopt},
        // Installer versions: equal Java versions keep discovery order, with
        // the release file read or without it.
        {"classic 17.0.9 ties with Adoptium 17.0.9.9", {{classicJdk, u"17.0.9", u"C17"}, {adoptium, u"17.0.9.9", u"A17"}},
         {}, none, home(u"C17")},
        {"the tie without a release file", {{classicJdk, u"17.0.9", u"C17"}, {adoptium, u"17.0.9.9", u"Z0"}}, {}, none,
         home(u"C17")},
        {"Adoptium's patch release is newer", {{classicJdk, u"17.0.4", u"C17"}, {adoptium, u"17.0.4.101", u"A174"}}, {},
         none, home(u"A174")},
        {"8.0.392.8 is within a maximum of 1.8", {{adoptium, u"8.0.392.8", u"A8"}, {classicJdk, u"11.0.2", u"C11"}}, {},
         maximum(u"1.8"), home(u"A8")},
        {"8.0.392.8 is older than a classic 1.8.0_401",
         {{adoptium, u"8.0.392.8", u"A8"}, {classicJdk, u"1.8.0_401", u"C11"}}, {}, none, home(u"C11")},
        {"8.0.392.8 matches a preferred 1.8", {{classicJdk, u"11.0.2", u"C11"}, {adoptium, u"8.0.392.8", u"A8"}}, {},
         [](RuntimeCriteria& c) { c.preferredVersions = {u"1.8"}; }, home(u"A8")},
        {"user keys left out", {{adoptiumUser, u"21.0.1.12", u"L21"}, {classicJdk, u"17.0.9", u"C17"}}, {},
         [](RuntimeCriteria& c) { c.includeUserSources = false; }, home(u"C17")},
        {"user keys searched", {{adoptiumUser, u"21.0.1.12", u"L21"}, {classicJdk, u"17.0.9", u"C17"}}, {}, none,
         home(u"L21")},
    };
    libraries() = {{home(u"J8"), {u"client"}},  {home(u"C17"), {u"server"}},
                   {home(u"Z17"), {u"server"}}, {home(u"Z17b"), {u"server"}}, {home(u"Z21"), {u"server"}},
                   {home(u"Z0"), {u"server"}},  {home(u"Z8"), {u"client"}},  {home(u"C11"), {u"server"}},
                   {home(u"L21"), {u"server"}}, {home(u"L11"), {u"server"}}, {home(u"F21"), {u"server"}},
                   {home(u"A17"), {u"server"}}, {home(u"A174"), {u"server"}}, {home(u"A8"), {u"server"}}};
    for (const SourceCase& k : cases) {
        FakeRegistry registry;
        for (const auto& [root, name, h] : k.keys) registry.roots[root].emplace_back(name, h);
        registry.folders = k.folders;
        registry.releases = {{home(u"Z17"), u"17.0.10"}, {home(u"Z17b"), u"17.0.10"}, {home(u"Z21"), u"21.0.1"},
                             {home(u"Z8"), u"1.8.0_392"}, {home(u"A17"), u"17.0.9"}, {home(u"A174"), u"17.0.4.1"},
                             {home(u"A8"), u"1.8.0_392"}};
        RuntimeCriteria c = defaults();
        k.configure(c);
        for (JvmTypeCode type : {JvmTypeCode::Any, JvmTypeCode::FavorServer}) {
            c.jvmType = type;
            EXPECT_EQ(runRegistryPass(registry, c, &fakeProbe), k.chosen) << k.name;
            EXPECT_EQ(selectRuntimeHome(collectCandidates(registry, c, &fakeProbe), c), k.chosen) << k.name;
        }
    }
}

TEST(RuntimeSelection, ReleaseFilesAreReadOnlyWhenTheChoiceReachesThem) {
    FakeRegistry registry;
    registry.roots[0] = {{u"17.0.9", u"C17"}};
    registry.roots[rootOf(kZulu)] = {{u"zulu-11", u"Z11"}, {u"zulu-21", u"Z21"}};
    libraries() = {{home(u"C17"), {u"server"}}, {home(u"Z21"), {}}, {home(u"Z11"), {u"server"}}};
    EXPECT_EQ(runRegistryPass(registry, defaults(), &fakeProbe), home(u"C17"));
    // zulu-21 has no library, so nothing was read; zulu-11 ranks below 17.
    EXPECT_EQ(registry.releasesRead, 0);
}

TEST(RuntimeSelection, FolderListedByTheRegistryIsOneCandidate) {
    FakeRegistry registry;
    registry.roots[rootOf(kAdoptiumJdk)] = {{u"17.0.9.9", u"A17"}};
    registry.folders = {folder(u"A17", u"17.0.9", RuntimeKind::Jdk), folder(u"F11", u"11.0.2", RuntimeKind::Jdk)};
    libraries() = {{home(u"A17"), {u"server"}}, {home(u"F11"), {u"server"}}};
    RuntimeCriteria c = defaults();
    std::vector<JreCandidate> found = collectCandidates(registry, c, &fakeProbe);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].home, home(u"A17"));
    EXPECT_EQ(found[1].home, home(u"F11"));
    // A registry runtime that is not searched lists nothing: its folder is.
    c.favourKinds = false;
    c.jdkKind = false;
    registry.folders[0].kind = RuntimeKind::Jre;
    EXPECT_EQ(runRegistryPass(registry, c, &fakeProbe), home(u"A17"));
}

} // namespace
} // namespace launcher
