// The registry pass against the real registry of the Wine prefix: the test
// registers runtimes under the vendors' keys, in the 64-bit and the 32-bit
// view, with "JavaHome" values naming runtime folders it lays out itself,
// and removes every key it made when it ends.

#include "base/Handles.win32.h"
#include "jre/JreLocator.h"
#include "jre/RuntimeRegistry.h"
#include "support/ScratchKeys.win32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

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
    UniqueKey create(RegistryView view, const std::wstring& path) {
        LSTATUS status = ERROR_SUCCESS;
        UniqueKey key = keys_.create(viewFlag(view), path, &status);
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

private:
    test::ScratchKeys keys_;
};

// A runtime folder as installers leave it: the bin\java.dll marker and the
// given library flavours (file contents do not matter to the search).
std::u16string layOutRuntime(const fs::path& home, std::initializer_list<const char*> flavours) {
    test::writeBytes(home / "bin" / "java.dll", "marker");
    for (const char* flavour : flavours) test::writeBytes(home / "bin" / flavour / "jvm.dll", "library");
    return home.u16string() + u"\\";
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
            for (size_t root = 0; root < kRegistryRootCount; ++root) {
                ASSERT_TRUE(openRuntimeRegistry(view)->subkeyNames(root).empty())
                    << "stale runtime keys under root " << root << "; remove them from the test prefix";
            }
        }
        noJavaHome_.emplace(u"JAVA_HOME", u"");
    }

    test::TempFolder folder_;
    ScratchKeys keys_;
    std::optional<test::EnvironmentOverride> noJavaHome_;
};

// Each vendor's keys in both views, with the "jre" rule of the two
// "Java Development Kit" roots: the kit holds a library of its own in bin
// too, so only the rule decides which home is chosen.
class EveryRoot : public RuntimeRegistryTest,
                  public testing::WithParamInterface<std::tuple<size_t, RegistryView>> {};

TEST_P(EveryRoot, FindsTheRuntimeRegisteredThere) {
    const auto [root, view] = GetParam();
    std::u16string kit = layOutRuntime(folder_.path() / "kit", {"server"});
    std::u16string inner = layOutRuntime(folder_.path() / "kit" / "jre", {"client"});
    keys_.registerRuntime(view, root, u"1.8.0_301", folder_.text(u"kit"));

    const bool inJre = registryRoot(root).key.find(u"Java Development Kit") != std::u16string_view::npos;
    EXPECT_EQ(registryPass(view, everyRuntime()), inJre ? inner : kit);
    const RegistryView other = view == RegistryView::Native ? RegistryView::Wow32 : RegistryView::Native;
    EXPECT_EQ(registryPass(other, everyRuntime()), std::nullopt) << "the views must be apart";
}

INSTANTIATE_TEST_SUITE_P(RootsAndViews, EveryRoot,
                         testing::Combine(testing::Range<size_t>(0, kRegistryRootCount),
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
    // A 32-bit library in the native view, as well: no bitness test runs on
    // a registry runtime, the view alone decides.
    std::string x86 = std::string("MZ") + std::string(0x3A, '\0') + std::string("\x40\0\0\0PE\0\0\x4c\x01", 10) +
                      std::string(18, '\0');
    std::map<RegistryView, std::u16string> homes;
    for (RegistryView view : {RegistryView::Native, RegistryView::Wow32}) {
        fs::path home = folder_.path() / (view == RegistryView::Native ? "native" : "wow32");
        homes[view] = layOutRuntime(home, {});
        test::writeBytes(home / "bin" / "server" / "jvm.dll", x86);
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

} // namespace
} // namespace launcher
