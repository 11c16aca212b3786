// The registry pass against the real registry of the Wine prefix: the test
// registers runtimes under the vendors' keys, in the 64-bit and the 32-bit
// view, with "JavaHome" values naming runtime folders it lays out itself,
// and removes every key it made when it ends.

#include "base/Handles.win32.h"
#include "base/Trace.h"
#include "jre/JreLocator.h"
#include "jre/RuntimeRegistry.h"
#include "support/ScratchKeys.win32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

namespace launcher {
namespace {

namespace fs = std::filesystem;

REGSAM viewFlag(RegistryView view) {
    return view == RegistryView::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

std::wstring keyPath(size_t root, std::u16string_view name) {
    std::u16string path(registryRoot(root).key);
    path.append(name);
    return std::wstring(path.begin(), path.end());
}

std::string utf16Bytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

// The scratch keys of one test: every key it made must go again.
class ScratchKeys {
public:
    ScratchKeys() = default;
    ScratchKeys(const ScratchKeys&) = delete;
    ScratchKeys& operator=(const ScratchKeys&) = delete;
    ~ScratchKeys() {
        for (const std::wstring& path : keys_.removeAll()) {
            ADD_FAILURE() << "left behind: " << std::string(path.begin(), path.end());
        }
    }

    // Creates the key and every missing key above it.
    UniqueKey create(RegistryView view, const std::wstring& path, HKEY hive = HKEY_LOCAL_MACHINE) {
        LSTATUS status = ERROR_SUCCESS;
        UniqueKey key = keys_.create(viewFlag(view), path, &status, hive);
        EXPECT_EQ(status, ERROR_SUCCESS) << "cannot create a key of length " << path.size();
        return key;
    }

    void setValue(RegistryView view, size_t root, std::u16string_view name, DWORD type, std::string_view bytes) {
        UniqueKey key = create(view, keyPath(root, name));
        ASSERT_TRUE(key);
        ASSERT_EQ(RegSetValueExW(key.get(), L"JavaHome", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    // A runtime as installers register it: a REG_SZ "JavaHome" with its
    // terminator.
    void registerRuntime(RegistryView view, size_t root, std::u16string_view name, std::u16string_view home) {
        std::u16string text(home);
        text.push_back(u'\0');
        setValue(view, root, name, REG_SZ, utf16Bytes(text));
    }

    // A runtime as an OpenJDK installer registers it: the home in a value
    // of the installer's choosing, in a key of its own layout.
    void registerValue(RegistryView view, HKEY hive, const std::wstring& key, const wchar_t* value,
                       std::u16string_view home) {
        UniqueKey handle = create(view, key, hive);
        ASSERT_TRUE(handle);
        std::u16string text(home);
        text.push_back(u'\0');
        ASSERT_EQ(RegSetValueExW(handle.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                 static_cast<DWORD>(text.size() * sizeof(char16_t))),
                  ERROR_SUCCESS);
    }

private:
    test::ScratchKeys keys_;
};

// A runtime folder as installers leave it: the bin\java.dll marker and the
// given library flavours, built for the machine.
std::u16string layOutRuntime(const fs::path& home, std::initializer_list<const char*> flavours,
                             test::Machine machine = test::Machine::X64) {
    test::writeBytes(home / "bin" / "java.dll", "marker");
    for (const char* flavour : flavours) test::writeBytes(home / "bin" / flavour / "jvm.dll", test::libraryImage(machine));
    return home.u16string() + u"\\";
}

// The machine of the runtimes registered in a view.
test::Machine machineOf(RegistryView view) {
    return view == RegistryView::Wow32 ? test::Machine::X86 : test::Machine::X64;
}

constexpr int32_t kTop = kVersionFillHigh;

// Every registered runtime, whatever its kind, vendor or version.
RuntimeCriteria everyRuntime() {
    RuntimeCriteria criteria;
    criteria.maximumVersion = makeVersion(kTop, kTop, kTop, kTop);
    criteria.favourKinds = true;
    criteria.jdkKind = true;
    criteria.jreKind = true;
    criteria.vendors = {true, false, true, false, true, false};
    return criteria;
}

std::optional<std::u16string> registryPass(RegistryView view, const RuntimeCriteria& criteria) {
    return runRegistryPass(*openRuntimeRegistry(view), criteria);
}

constexpr size_t kJdkRoot = 0;
constexpr size_t kJreRoot = 1;
constexpr size_t kDevelopmentKitRoot = 2;

class RuntimeRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        // The prefix registers no runtime of its own; anything found here was
        // left by an earlier run that did not finish, and would decide the
        // results below.
        for (RegistryView view : {RegistryView::Native, RegistryView::Wow32}) {
            for (size_t root = 0; root < registryRootCount(); ++root) {
                ASSERT_TRUE(openRuntimeRegistry(view)->subkeyNames(root).empty())
                    << "stale runtime keys under root " << root << "; remove them from the test prefix";
            }
        }
        noJavaHome_.emplace(u"JAVA_HOME", u"");
        // The prefix's own program folders are not part of these tests.
        for (const char16_t* name : kFolderVariables) {
            noFolders_.push_back(std::make_unique<test::EnvironmentOverride>(name, std::nullopt));
        }
    }

    static constexpr const char16_t* kFolderVariables[] = {u"ProgramFiles", u"ProgramFiles(x86)", u"LOCALAPPDATA",
                                                           u"USERPROFILE"};

    test::TempFolder folder_;
    ScratchKeys keys_;
    std::optional<test::EnvironmentOverride> noJavaHome_;
    std::vector<std::unique_ptr<test::EnvironmentOverride>> noFolders_;
};

// Each vendor's keys in both views, with the "jre" rule of the two
// "Java Development Kit" roots: the kit holds a library of its own in bin
// too, so only the rule decides which home is chosen.
class EveryRoot : public RuntimeRegistryTest,
                  public testing::WithParamInterface<std::tuple<size_t, RegistryView>> {};

TEST_P(EveryRoot, FindsTheRuntimeRegisteredThere) {
    const auto [root, view] = GetParam();
    std::u16string kit = layOutRuntime(folder_.path() / "kit", {"server"}, machineOf(view));
    std::u16string inner = layOutRuntime(folder_.path() / "kit" / "jre", {"client"}, machineOf(view));
    keys_.registerRuntime(view, root, u"1.8.0_301", folder_.text(u"kit"));

    const bool inJre = registryRoot(root).key.find(u"Java Development Kit") != std::u16string_view::npos;
    EXPECT_EQ(registryPass(view, everyRuntime()), inJre ? inner : kit);
    const RegistryView other = view == RegistryView::Native ? RegistryView::Wow32 : RegistryView::Native;
    EXPECT_EQ(registryPass(other, everyRuntime()), std::nullopt) << "the views must be apart";
}

INSTANTIATE_TEST_SUITE_P(RootsAndViews, EveryRoot,
                         testing::Combine(testing::Range<size_t>(0, kClassicRootCount),
                                          testing::Values(RegistryView::Native, RegistryView::Wow32)),
                         [](const testing::TestParamInfo<EveryRoot::ParamType>& info) {
                             return "Root" + std::to_string(std::get<0>(info.param) + 1) +
                                    (std::get<1>(info.param) == RegistryView::Native ? "Native" : "Wow32");
                         });

TEST_F(RuntimeRegistryTest, DevelopmentKitRootNeverUsesTheKitItself) {
    // Registered as a kit, but without a runtime in its "jre" folder.
    std::u16string kit = layOutRuntime(folder_.path() / "kit", {"server", "client"});
    keys_.registerRuntime(RegistryView::Native, kDevelopmentKitRoot, u"11.0.2", folder_.text(u"kit"));
    EXPECT_EQ(registryPass(RegistryView::Native, everyRuntime()), std::nullopt);
    keys_.registerRuntime(RegistryView::Native, kJdkRoot, u"11.0.2", folder_.text(u"kit"));
    EXPECT_EQ(registryPass(RegistryView::Native, everyRuntime()), kit);
}

// Names registered under one root, each with its own runtime folder: a
// name without digits, a name of the registry's longest length, and two
// names of one release line (1.8 and 1.8.0_301).
const std::u16string kLongName = u"1.7.0_80-" + std::u16string(255 - 9, u'x');
const std::vector<std::u16string> kNames = {u"Current", u"1.6.0_45", kLongName, u"1.8",
                                            u"1.8.0_301", u"11.0.2", u"17.0.1"};

struct BoundsCase {
    const char* label;
    VersionNumber minimum;
    VersionNumber maximum;
    std::optional<std::u16string> chosen; // name whose runtime is chosen
};

void PrintTo(const BoundsCase& c, std::ostream* out) { *out << c.label; }

class VersionBounds : public RuntimeRegistryTest, public testing::WithParamInterface<BoundsCase> {};

TEST_P(VersionBounds, ApplyToTheSubkeyName) {
    const BoundsCase& c = GetParam();
    std::map<std::u16string, std::u16string> homes;
    for (size_t i = 0; i < kNames.size(); ++i) {
        fs::path home = folder_.path() / ("runtime" + std::to_string(i));
        homes[kNames[i]] = layOutRuntime(home, {"client"});
        keys_.registerRuntime(RegistryView::Native, kJreRoot, kNames[i], home.u16string());
    }
    std::unique_ptr<RuntimeRegistry> registry = openRuntimeRegistry(RegistryView::Native);
    TextList names = registry->subkeyNames(kJreRoot);
    std::sort(names.begin(), names.end());
    TextList expected = kNames;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);

    RuntimeCriteria criteria = everyRuntime();
    criteria.minimumVersion = c.minimum;
    criteria.maximumVersion = c.maximum;
    std::optional<std::u16string> home = runRegistryPass(*registry, criteria);
    if (c.chosen) {
        EXPECT_EQ(home, homes[*c.chosen]);
    } else {
        EXPECT_EQ(home, std::nullopt);
    }
}

const VersionNumber kAny = makeVersion(kTop, kTop, kTop, kTop);

INSTANTIATE_TEST_SUITE_P(
    Names, VersionBounds,
    testing::Values(BoundsCase{"Unbounded", makeVersion(0, 0, 0, 0), kAny, u"17.0.1"},
                    BoundsCase{"NameWithoutDigitsIsVersionZero", makeVersion(0, 0, 0, 0), makeVersion(1, 5, kTop, kTop),
                               u"Current"},
                    BoundsCase{"MinimumDropsNameWithoutDigits", makeVersion(1, 1, 0, 0), makeVersion(1, 6, kTop, kTop),
                               u"1.6.0_45"},
                    BoundsCase{"LongestName", makeVersion(1, 7, 0, 0), makeVersion(1, 7, kTop, kTop), kLongName},
                    BoundsCase{"HighestUpdateOfSeveralNames", makeVersion(1, 8, 0, 0), makeVersion(1, 8, kTop, kTop),
                               u"1.8.0_301"},
                    BoundsCase{"BoundsAreInclusive", makeVersion(1, 8, 0, 0), makeVersion(1, 8, 0, 0), u"1.8"},
                    BoundsCase{"ExactVersion", makeVersion(11, 0, 2, 0), makeVersion(11, 0, 2, 0), u"11.0.2"},
                    BoundsCase{"NoneAboveTheMinimum", makeVersion(30, 0, 0, 0), kAny, std::nullopt},
                    BoundsCase{"NoneInsideTheRange", makeVersion(12, 0, 0, 0), makeVersion(16, kTop, kTop, kTop),
                               std::nullopt}),
    [](const testing::TestParamInfo<BoundsCase>& info) { return info.param.label; });

// "JavaHome" as installers and hand edits leave it. The value's type is not
// examined; its text ends at the first terminator or at the data's end.
struct ValueCase {
    const char* label;
    DWORD type;
    std::function<std::string(const std::u16string& home)> bytes; // nothing: no value at all
    bool found;
};

void PrintTo(const ValueCase& c, std::ostream* out) { *out << c.label; }

class JavaHomeValue : public RuntimeRegistryTest, public testing::WithParamInterface<ValueCase> {};

TEST_P(JavaHomeValue, IsReadAsText) {
    const ValueCase& c = GetParam();
    std::u16string home = layOutRuntime(folder_.path() / "runtime", {"server"});
    std::u16string bare = home.substr(0, home.size() - 1);
    if (c.bytes) {
        keys_.setValue(RegistryView::Native, kJreRoot, u"1.8.0_301", c.type, c.bytes(bare));
    } else {
        keys_.create(RegistryView::Native, keyPath(kJreRoot, u"1.8.0_301"));
    }
    EXPECT_EQ(registryPass(RegistryView::Native, everyRuntime()), c.found ? std::optional(home) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, JavaHomeValue,
    testing::Values(
        ValueCase{"Missing", REG_SZ, nullptr, false},
        ValueCase{"NoData", REG_SZ, [](const std::u16string&) { return std::string(); }, false},
        ValueCase{"OnlyTerminator", REG_SZ, [](const std::u16string&) { return std::string(2, '\0'); }, false},
        ValueCase{"Terminated", REG_SZ, [](const std::u16string& h) { return utf16Bytes(h + u'\0'); }, true},
        ValueCase{"TrailingSeparator", REG_SZ, [](const std::u16string& h) { return utf16Bytes(h + u"\\"); }, true},
        ValueCase{"NotTerminated", REG_SZ, [](const std::u16string& h) { return utf16Bytes(h); }, true},
        ValueCase{"Expandable", REG_EXPAND_SZ, [](const std::u16string& h) { return utf16Bytes(h + u'\0'); }, true},
        ValueCase{"Binary", REG_BINARY, [](const std::u16string& h) { return utf16Bytes(h); }, true},
        ValueCase{"TextAfterTerminator", REG_SZ,
                  [](const std::u16string& h) { return utf16Bytes(h + u'\0' + u"\\elsewhere"); }, true},
        ValueCase{"OddByteCount", REG_BINARY, [](const std::u16string& h) { return utf16Bytes(h) + "x"; }, true},
        ValueCase{"Number", REG_DWORD, [](const std::u16string&) { return std::string("\x01\0\0\0", 4); }, false}),
    [](const testing::TestParamInfo<ValueCase>& info) { return info.param.label; });

TEST_F(RuntimeRegistryTest, LongJavaHomeIsReadWhole) {
    // 4000 characters of folders, each well under the 255 a name may have.
    fs::path deep = folder_.path();
    while (deep.native().size() + 1 < 4000) {
        size_t room = 4000 - deep.native().size() - 1;
        deep /= std::wstring(std::min<size_t>(room, 200), L'd');
    }
    ASSERT_EQ(deep.native().size(), 4000u);
    std::u16string home = layOutRuntime(deep, {"client"});
    keys_.registerRuntime(RegistryView::Native, kJreRoot, u"17.0.1", deep.u16string());

    EXPECT_EQ(openRuntimeRegistry(RegistryView::Native)->javaHome(kJreRoot, u"17.0.1"), deep.u16string());
    EXPECT_EQ(registryPass(RegistryView::Native, everyRuntime()), home);

    // Too long for the scratch folder's own clean-up: removed here, in the
    // long-path form, deepest first.
    auto longForm = [](const fs::path& p) { return L"\\\\?\\" + p.wstring(); };
    EXPECT_TRUE(DeleteFileW(longForm(deep / "bin" / "client" / "jvm.dll").c_str()));
    EXPECT_TRUE(DeleteFileW(longForm(deep / "bin" / "java.dll").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(longForm(deep / "bin" / "client").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(longForm(deep / "bin").c_str()));
    for (fs::path p = deep; p != folder_.path(); p = p.parent_path()) {
        EXPECT_TRUE(RemoveDirectoryW(longForm(p).c_str())) << GetLastError();
    }
}

TEST_F(RuntimeRegistryTest, HundredsOfSubkeysAreAllEnumerated) {
    // The numerically highest name sorts in the middle of the enumeration.
    constexpr int kCount = 400;
    std::u16string common = layOutRuntime(folder_.path() / "common", {"client"});
    std::u16string newest = layOutRuntime(folder_.path() / "newest", {"client"});
    for (int update = 0; update < kCount; ++update) {
        std::string name = "1.5.0_" + std::to_string(update);
        keys_.registerRuntime(RegistryView::Native, kJreRoot, std::u16string(name.begin(), name.end()),
                              update == kCount - 1 ? newest : common);
    }
    std::unique_ptr<RuntimeRegistry> registry = openRuntimeRegistry(RegistryView::Native);
    EXPECT_EQ(registry->subkeyNames(kJreRoot).size(), static_cast<size_t>(kCount));
    EXPECT_EQ(runRegistryPass(*registry, everyRuntime()), newest);
}

// The whole search over both views: the 32-bit view only serves a launcher
// with a pair, only when the native view has nothing, and its runtime is
// always handed to the pair.
struct ViewCase {
    const char* label;
    std::vector<std::u16string> nativeNames;
    std::vector<std::u16string> wow32Names;
    bool hasPair;
    std::optional<RegistryView> chosen;
};

void PrintTo(const ViewCase& c, std::ostream* out) { *out << c.label; }

class BothViews : public RuntimeRegistryTest, public testing::WithParamInterface<ViewCase> {};

TEST_P(BothViews, NativeViewComesFirst) {
    const ViewCase& c = GetParam();
    std::map<RegistryView, std::u16string> homes;
    for (RegistryView view : {RegistryView::Native, RegistryView::Wow32}) {
        fs::path home = folder_.path() / (view == RegistryView::Native ? "native" : "wow32");
        homes[view] = layOutRuntime(home, {"server"}, machineOf(view));
        for (const std::u16string& name : view == RegistryView::Native ? c.nativeNames : c.wow32Names) {
            keys_.registerRuntime(view, kJreRoot, name, home.u16string());
        }
    }
    RuntimeSearch search;
    search.criteria = everyRuntime();
    search.criteria.minimumVersion = makeVersion(1, 8, 0, 0);
    search.hasPair = c.hasPair;
    RuntimeChoice choice = locateRuntime(search);
    if (!c.chosen) {
        EXPECT_EQ(choice.jvmPath, u"");
        EXPECT_FALSE(choice.pairRelaunch);
        return;
    }
    EXPECT_EQ(choice.jvmPath, homes[*c.chosen] + u"bin\\server\\jvm.dll");
    EXPECT_EQ(choice.pairRelaunch, *c.chosen == RegistryView::Wow32);
}

INSTANTIATE_TEST_SUITE_P(
    Launches, BothViews,
    testing::Values(ViewCase{"NativeOnly", {u"11.0.2"}, {}, true, RegistryView::Native},
                    ViewCase{"Wow32WithoutPair", {}, {u"11.0.2"}, false, std::nullopt},
                    ViewCase{"Wow32WithPair", {}, {u"11.0.2"}, true, RegistryView::Wow32},
                    ViewCase{"NativeWinsOverNewerWow32", {u"11.0.2"}, {u"17.0.1"}, true, RegistryView::Native},
                    ViewCase{"NativeOutOfBounds", {u"1.6.0_45"}, {u"11.0.2"}, true, RegistryView::Wow32},
                    ViewCase{"BothOutOfBounds", {u"1.6.0_45"}, {u"1.7"}, true, std::nullopt}),
    [](const testing::TestParamInfo<ViewCase>& info) { return info.param.label; });

// A runtime folder as the OpenJDK installers and zip files leave it: the
// library, the release file and, for a development kit, its compiler; a
// development kit 8 keeps its runtime in its jre folder.
std::u16string layOutOpenJdk(const fs::path& home, const std::string& release, bool jdk,
                             test::Machine machine = test::Machine::X64, bool java8 = false) {
    std::u16string text = home.u16string() + u"\\";
    layOutRuntime(java8 ? home / "jre" : home, {"server"}, machine);
    test::writeBytes(home / "release", release);
    if (jdk) test::writeBytes(home / "bin" / "javac.exe", "compiler");
    return text;
}

// Each OpenJDK installer's registry layout, in the hive and view it writes
// (the user's keys are one for both views: the library's width decides).
struct LayoutCase {
    const char* label;
    HKEY hive;
    RegistryView view;
    const wchar_t* key;
    const wchar_t* value;
    bool java8 = false;
    const char* release = "JAVA_VERSION=\"17.0.9\"\n";
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.label; }

class DistributionLayout : public RuntimeRegistryTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(DistributionLayout, IsFoundInItsViewOnly) {
    const LayoutCase& c = GetParam();
    std::u16string home = layOutOpenJdk(folder_.path() / "runtime", c.release, c.java8, machineOf(c.view), c.java8);
    keys_.registerValue(c.view, c.hive, c.key, c.value, home.substr(0, home.size() - 1));
    EXPECT_EQ(registryPass(c.view, everyRuntime()), home);
    const RegistryView other = c.view == RegistryView::Native ? RegistryView::Wow32 : RegistryView::Native;
    EXPECT_EQ(registryPass(other, everyRuntime()), std::nullopt) << "the views must be apart";
    // The library is found in the runtime's own folder.
    RuntimeSearch search;
    search.criteria = everyRuntime();
    search.hasPair = true;
    EXPECT_EQ(locateRuntime(search).jvmPath, home + (c.java8 ? u"jre\\" : u"") + u"bin\\server\\jvm.dll");
}

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
constexpr RegistryView kNative = RegistryView::Native;
constexpr RegistryView kWow32 = RegistryView::Wow32;
const char* const kJava8 = "JAVA_VERSION=\"1.8.0_392\"\n";

INSTANTIATE_TEST_SUITE_P(
    Installers, DistributionLayout,
    testing::Values(
        LayoutCase{"AdoptiumJdk", kMachine, kNative, L"SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path"},
        LayoutCase{"AdoptiumJreUser", kUser, kNative, L"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\hotspot\\MSI",
                   L"Path"},
        LayoutCase{"EclipseFoundation32", kMachine, kWow32, L"SOFTWARE\\Eclipse Foundation\\JDK\\17.0.9.9\\hotspot\\MSI",
                   L"Path"},
        LayoutCase{"AdoptOpenJdkJre", kMachine, kNative, L"SOFTWARE\\AdoptOpenJDK\\JRE\\17.0.9.9\\hotspot\\MSI", L"Path"},
        LayoutCase{"AdoptOpenJdkOpenJ9", kMachine, kNative, L"SOFTWARE\\AdoptOpenJDK\\JDK\\11.0.21.9\\openj9\\MSI",
                   L"Path", false, "JAVA_VERSION=\"11.0.21\"\n"},
        LayoutCase{"MicrosoftUser", kUser, kNative, L"SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", L"Path"},
        // The EXE installers beside the MSI ones, per user and per machine.
        LayoutCase{"MicrosoftExeUser", kUser, kNative, L"SOFTWARE\\Microsoft\\JDK\\21.0.9.10\\hotspot\\EXE", L"Path",
                   false, "JAVA_VERSION=\"21.0.9\"\n"},
        LayoutCase{"AdoptiumExe", kMachine, kNative, L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.9.10\\hotspot\\EXE",
                   L"Path", false, "JAVA_VERSION=\"21.0.9\"\n"},
        // A 32-bit runtime in the user's keys: found by the 32-bit pass only.
        LayoutCase{"AdoptiumUser32", kUser, kWow32, L"SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\hotspot\\MSI", L"Path"},
        LayoutCase{"SemeruJdk", kMachine, kNative, L"SOFTWARE\\Semeru\\JDK\\17.0.9.1\\openj9\\MSI", L"Path"},
        LayoutCase{"SemeruJreUser", kUser, kNative, L"SOFTWARE\\Semeru\\JRE\\17.0.9.1\\openj9\\MSI", L"Path"},
        LayoutCase{"Zulu", kMachine, kNative, L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath"},
        LayoutCase{"ZuluJreUser", kUser, kNative, L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17-jre", L"InstallationPath"},
        LayoutCase{"Zulu32", kMachine, kWow32, L"SOFTWARE\\Azul Systems\\Zulu 32-bit\\zulu-17", L"InstallationPath"},
        LayoutCase{"Liberica", kMachine, kNative, L"SOFTWARE\\BellSoft\\Liberica\\jdk-17-full", L"InstallationPath"},
        LayoutCase{"LibericaJreUser", kUser, kNative, L"SOFTWARE\\BellSoft\\Liberica\\jre-17", L"InstallationPath"},
        LayoutCase{"SapMachine", kMachine, kNative, L"SOFTWARE\\SapMachine\\JDK\\17", L"JavaHome"},
        LayoutCase{"SapMachinePatch", kMachine, kNative, L"SOFTWARE\\SapMachine\\JDK\\17.0.9.256", L"JavaHome"},
        LayoutCase{"SapMachineJre32", kMachine, kWow32, L"SOFTWARE\\SapMachine\\JRE\\17", L"JavaHome"},
        // Java 8 development kits, whose runtime is in their jre folder.
        LayoutCase{"AdoptiumJdk8", kMachine, kNative, L"SOFTWARE\\Eclipse Adoptium\\JDK\\8.0.392.8\\hotspot\\MSI",
                   L"Path", true, kJava8},
        LayoutCase{"ZuluJdk8User", kUser, kNative, L"SOFTWARE\\Azul Systems\\Zulu\\zulu-8", L"InstallationPath", true,
                   kJava8},
        LayoutCase{"LibericaJdk8", kMachine, kNative, L"SOFTWARE\\BellSoft\\Liberica\\jdk-8", L"InstallationPath", true,
                   kJava8},
        LayoutCase{"SemeruJdk8", kMachine, kNative, L"SOFTWARE\\Semeru\\JDK\\8.0.392.8\\openj9\\MSI", L"Path", true,
                   kJava8}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.label; });

// The classic keys with a development kit 8 registered as a JDK: its
// runtime is in its jre folder, which the classic "JavaHome" does not name.
TEST_F(RuntimeRegistryTest, ClassicJdk8KeyFindsTheRuntimeInItsJreFolder) {
    std::u16string kit = layOutOpenJdk(folder_.path() / "jdk1.8.0_392", kJava8, true, test::Machine::X64, true);
    keys_.registerRuntime(kNative, kJdkRoot, u"1.8.0_392", kit.substr(0, kit.size() - 1));
    RuntimeSearch search;
    search.criteria = everyRuntime();
    search.criteria.maximumVersion = parseVersion(u"1.8", kVersionFillHigh).version;
    search.criteria.preferredVersions = {u"1.8"};
    EXPECT_EQ(locateRuntime(search).jvmPath, kit + u"jre\\bin\\server\\jvm.dll");
}

// Each folder the installers and IDEs unpack into, found through the
// variable that names it; a 32-bit runtime only by a launcher with a pair;
// a library this launcher cannot load passed over with its reason.
enum class Library { X64, X86, Arm64, Text, Cut };

struct FolderCase {
    const char* label;
    const char16_t* variable;
    const char* below; // under the variable's folder
    bool hasPair;
    Library library;
    bool found;
    bool pairRelaunch;
    bool java8 = false;
    const char* traced = ""; // part of the trace
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.label; }

class FolderLayout : public RuntimeRegistryTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(FolderLayout, IsFound) {
    const FolderCase& c = GetParam();
    fs::path base = folder_.path() / "base";
    fs::path home = base / c.below;
    const bool x86 = c.library == Library::X86;
    layOutOpenJdk(home, std::string("IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"") + (c.java8 ? "1.8.0_442" : "21.0.1") +
                  "\"\n", true, x86 ? test::Machine::X86 : test::Machine::X64, c.java8);
    fs::path library = home / (c.java8 ? "jre" : "") / "bin" / "server" / "jvm.dll";
    if (c.library == Library::Arm64) test::writeBytes(library, test::libraryImage(test::Machine::Arm64));
    if (c.library == Library::Text) test::writeBytes(library, "a text file named like the library\r\n");
    if (c.library == Library::Cut) test::writeBytes(library, test::libraryImage(test::Machine::X64).substr(0, 0x90));
    test::EnvironmentOverride variable(c.variable, base.u16string());
    RuntimeSearch search;
    search.criteria = everyRuntime();
    search.hasPair = c.hasPair;
    fs::path traceFile = folder_.path() / "trace.log";
    RuntimeChoice choice;
    {
        test::EnvironmentOverride traceVariable(u"QX_LAUNCHER_TRACE", traceFile.u16string());
        trace::enableFromEnvironment();
        choice = locateRuntime(search);
        trace::disable();
    }
    EXPECT_EQ(choice.jvmPath, c.found ? library.u16string() : u"");
    EXPECT_EQ(choice.pairRelaunch, c.pairRelaunch);
    const std::string traced = test::readBytes(traceFile);
    EXPECT_NE(traced.find(c.traced), std::string::npos) << traced;
}

constexpr Library kX64 = Library::X64;
constexpr Library kX86 = Library::X86;

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderLayout,
    testing::Values(FolderCase{"ProgramFiles", u"ProgramFiles", "Eclipse Adoptium\\jdk-21.0.1.12-hotspot", 0, kX64, 1, 0},
                    FolderCase{"Corretto", u"ProgramFiles", "Amazon Corretto\\jdk21.0.1_12", 0, kX64, 1, 0},
                    FolderCase{"PerUser", u"LOCALAPPDATA", "Programs\\Zulu\\zulu-21", 0, kX64, 1, 0},
                    FolderCase{"IdeDownload", u"USERPROFILE", ".jdks\\temurin-21.0.1", 0, kX64, 1, 0},
                    FolderCase{"NotAVendorFolder", u"ProgramFiles", "Tools\\jdk-21", 0, kX64, 0, 0},
                    FolderCase{"X86AmongThe64BitOnes", u"USERPROFILE", ".jdks\\temurin-21-x86", 1, kX86, 1, 1},
                    FolderCase{"ProgramFiles32WithPair", u"ProgramFiles(x86)", "Java\\jre-21", 1, kX86, 1, 1},
                    FolderCase{"ProgramFiles32WithoutPair", u"ProgramFiles(x86)", "Java\\jre-21", 0, kX86, 0, 0},
                    FolderCase{"PerUserX86WithPair", u"LOCALAPPDATA", "Programs\\Zulu\\zulu-21-x86", 1, kX86, 1, 1},
                    FolderCase{"PerUserX86WithoutPair", u"LOCALAPPDATA", "Programs\\Zulu\\zulu-21-x86", 0, kX86, 0, 0,
                               false, "a 32-bit runtime, which this 64-bit launcher cannot load"},
                    FolderCase{"SapMachineTwoLevels", u"ProgramFiles", "SapMachine\\JDK\\21", 0, kX64, 1, 0},
                    FolderCase{"SapMachineJre32", u"ProgramFiles(x86)", "SapMachine\\JRE\\21", 1, kX86, 1, 1},
                    FolderCase{"AndroidOpenJdk", u"ProgramFiles", "Android\\openjdk\\jdk-21.0.1", 0, kX64, 1, 0},
                    FolderCase{"Scoop", u"USERPROFILE", "scoop\\apps\\temurin21-jdk\\current", 0, kX64, 1, 0},
                    FolderCase{"ScoopOtherApp", u"USERPROFILE", "scoop\\apps\\gradle\\current", 0, kX64, 0, 0},
                    FolderCase{"GradleOneLevelDeeper", u"USERPROFILE", ".gradle\\jdks\\adoptium-21-x64\\jdk-21.0.1+12", 0,
                               kX64, 1, 0},
                    FolderCase{"IdeDownloadJdk8", u"USERPROFILE", ".jdks\\temurin-1.8.0_442", 0, kX64, 1, 0, true},
                    FolderCase{"ProgramFilesJdk8", u"ProgramFiles", "Zulu\\zulu-8", 0, kX64, 1, 0, true},
                    FolderCase{"Arm64", u"ProgramFiles", "Microsoft\\jdk-21.0.1-aarch64", 1, Library::Arm64, 0, 0, false,
                               "an ARM64 runtime, which this x64 launcher cannot load"},
                    FolderCase{"TextFile", u"ProgramFiles", "Java\\jdk-21", 1, Library::Text, 0, 0, false,
                               "is no library (no PE headers in its first 4 KB)"},
                    FolderCase{"CutShort", u"ProgramFiles", "Java\\jdk-21", 1, Library::Cut, 0, 0, false,
                               "is cut short: the file ends inside its headers"}),
    [](const testing::TestParamInfo<FolderCase>& info) { return info.param.label; });

// One machine with classic runtimes (those of the worked example) and
// runtimes of every new source: which one each configuration gets.
struct MixedCase {
    const char* label;
    std::function<void(RuntimeCriteria&)> configure;
    const char* chosen; // library below the folder
};

void PrintTo(const MixedCase& c, std::ostream* out) { *out << c.label; }

std::u16string ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

class EveryNewSource : public RuntimeRegistryTest, public testing::WithParamInterface<MixedCase> {};

TEST_P(EveryNewSource, KeepsTheRankingRules) {
    const MixedCase& c = GetParam();
    fs::path programs = folder_.path() / "Program Files";
    fs::path local = folder_.path() / "Local";
    test::EnvironmentOverride programFiles(u"ProgramFiles", programs.u16string());
    test::EnvironmentOverride localAppData(u"LOCALAPPDATA", local.u16string());
    test::EnvironmentOverride userProfile(u"USERPROFILE", folder_.path().u16string());
    // The worked example: 17.0.1 registered as a JDK, with a server library
    // only; 1.8 and 1.8.0_301 of one JRE with both libraries.
    std::u16string j17 = layOutRuntime(folder_.path() / "J17", {"server"});
    std::u16string j8 = layOutRuntime(folder_.path() / "J8", {"client", "server"});
    keys_.registerRuntime(kNative, 0, u"17.0.1", j17);
    keys_.registerRuntime(kNative, 3, u"1.8", j8);
    keys_.registerRuntime(kNative, 3, u"1.8.0_301", j8);
    // Development kits of the installers, registered and in their folders.
    std::u16string a21 = layOutOpenJdk(programs / "Eclipse Adoptium" / "jdk-21.0.1.12-hotspot",
                                       "JAVA_VERSION=\"21.0.1\"\n", true);
    keys_.registerValue(kNative, kMachine, L"SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path", a21);
    std::u16string z17 = layOutOpenJdk(folder_.path() / "Zulu" / "zulu-17", "JAVA_VERSION=\"17.0.10\"\n", true);
    keys_.registerValue(kNative, kUser, L"SOFTWARE\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath", z17);
    std::u16string s22 = layOutOpenJdk(folder_.path() / "Semeru", "JAVA_VERSION=\"22.0.1\"\n", false);
    keys_.registerValue(kNative, kMachine, L"SOFTWARE\\Semeru\\JRE\\22.0.1.0\\openj9\\MSI", L"Path", s22);
    layOutOpenJdk(local / "Programs" / "Eclipse Adoptium" / "jdk-21.0.2", "JAVA_VERSION=\"21.0.2\"\n", true);
    layOutOpenJdk(folder_.path() / ".jdks" / "semeru-21", "IMPLEMENTOR=\"IBM Corporation\"\nJAVA_VERSION=\"21.0.1\"\n",
                  false);

    RuntimeSearch search;
    search.criteria.maximumVersion = kAny;
    search.criteria.jdkKind = search.criteria.jreKind = true;
    c.configure(search.criteria);
    RuntimeChoice choice = locateRuntime(search);
    EXPECT_EQ(choice.jvmPath, folder_.text() + u"\\" + ascii(c.chosen));
    EXPECT_FALSE(choice.pairRelaunch);
}

INSTANTIATE_TEST_SUITE_P(
    Machine, EveryNewSource,
    testing::Values(
        MixedCase{"WorkedExampleKeepsItsResult",
                  [](RuntimeCriteria& c) {
                      c.minimumVersion = makeVersion(1, 8, 0, 0);
                      c.jvmType = JvmTypeCode::FavorServer;
                      c.jdkKind = false;
                  },
                  "J8\\bin\\server\\jvm.dll"},
        MixedCase{"NewestRuntimeWins", [](RuntimeCriteria&) {},
                  "Local\\Programs\\Eclipse Adoptium\\jdk-21.0.2\\bin\\server\\jvm.dll"},
        MixedCase{"NewerAdoptiumJdkBeatsOlderClassicJre",
                  [](RuntimeCriteria& c) { c.maximumVersion = makeVersion(21, 0, 1, kTop); },
                  "Program Files\\Eclipse Adoptium\\jdk-21.0.1.12-hotspot\\bin\\server\\jvm.dll"},
        MixedCase{"OnlyJreSkipsTheJdks",
                  [](RuntimeCriteria& c) {
                      c.favourKinds = false;
                      c.jdkKind = false;
                  },
                  "J8\\bin\\client\\jvm.dll"},
        MixedCase{"SemeruOnlyWhenIbmIsSearched", [](RuntimeCriteria& c) { c.vendors = {false, false, false, false, true, true}; },
                  "Semeru\\bin\\server\\jvm.dll"},
        MixedCase{"ReleaseFileRefinesZulu", [](RuntimeCriteria& c) { c.maximumVersion = makeVersion(17, kTop, kTop, kTop); },
                  "Zulu\\zulu-17\\bin\\server\\jvm.dll"},
        MixedCase{"RefinedVersionMeetsTheMaximum",
                  [](RuntimeCriteria& c) { c.maximumVersion = makeVersion(17, 0, 1, kTop); },
                  "J17\\bin\\server\\jvm.dll"}),
    [](const testing::TestParamInfo<MixedCase>& info) { return info.param.label; });

} // namespace
} // namespace launcher
