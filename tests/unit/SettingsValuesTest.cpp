// The word rules of the settings: which texts turn which flags on.

#include "config/SettingsReader.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(SettingsValues, JvmTypeIsAnExactWord) {
    EXPECT_EQ(jvmTypeFrom(u"server"), JvmTypeCode::Server);
    EXPECT_EQ(jvmTypeFrom(u"favor_server"), JvmTypeCode::FavorServer);
    EXPECT_EQ(jvmTypeFrom(u"Server"), JvmTypeCode::Any);
    EXPECT_EQ(jvmTypeFrom(u"client"), JvmTypeCode::Any);
    EXPECT_EQ(jvmTypeFrom(u""), JvmTypeCode::Any);
}

struct KindCase {
    const char16_t* value;
    bool favour, jdk, jre;
};

TEST(SettingsValues, JvmSourceSetsTheKindFlags) {
    const KindCase cases[] = {
        {u"", true, true, true},
        {u"favor_JRE", true, false, true},
        {u"favor_JDK", true, true, false},
        {u"only_JDK", false, true, false},
        {u"only_JRE", false, false, true},
        {u"only_jre", false, false, false},
        {u"anything", false, false, false},
    };
    for (const KindCase& c : cases) {
        RuntimeCriteria settings;
        applyJvmSource(c.value, settings);
        SCOPED_TRACE(toUtf8(c.value));
        EXPECT_EQ(settings.favourKinds, c.favour);
        EXPECT_EQ(settings.jdkKind, c.jdk);
        EXPECT_EQ(settings.jreKind, c.jre);
    }
}

TEST(SettingsValues, VmProviderRowsMatchWithoutRegardToCase) {
    const VendorFlags defaults;
    const VendorFlags custom{true, true, true, true, true, true};
    struct Case {
        const char16_t* value;
        VendorFlags current;
        VendorFlags expected;
    } cases[] = {
        {u"", custom, custom},
        {u"oracle", custom, custom},
        {u"jrockit", defaults, {true, true, false, false, false, false}},
        {u"IBM", defaults, {false, false, false, false, true, true}},
        {u"Favor_Sun", defaults, {true, false, true, true, true, false}},
        {u"favor_jrockit", defaults, {true, true, true, false, true, false}},
        {u"favor_ibm", defaults, {true, false, true, false, true, true}},
        {u"ANY", defaults, {true, false, true, false, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.value));
        EXPECT_EQ(vendorFlagsFrom(c.value, c.current), c.expected);
    }
}

void expectParts(const VersionNumber& v, int a, int b, int c, int d) {
    EXPECT_EQ(v.parts[0], a);
    EXPECT_EQ(v.parts[1], b);
    EXPECT_EQ(v.parts[2], c);
    EXPECT_EQ(v.parts[3], d);
}

TEST(SettingsValues, VersionBounds) {
    expectParts(minimumVersionFrom(u"any"), 0, 0, 0, 0);
    expectParts(minimumVersionFrom(u"ANY"), 0, 0, 0, 0);
    expectParts(minimumVersionFrom(u""), 0, 0, 0, 0);
    expectParts(minimumVersionFrom(u"1.8"), 1, 8, 0, 0);
    expectParts(maximumVersionFrom(u"any"), 65535, 65535, 65535, 65535);
    expectParts(maximumVersionFrom(u"1.8"), 1, 8, 65535, 65535);
    expectParts(maximumVersionFrom(u"17"), 17, 65535, 65535, 65535);
}

TEST(SettingsValues, MissingOrUnreadableMaximumIsNoUpperBound) {
    for (const char16_t* value : {u"", u"Any", u"latest", u"99999999999"}) {
        SCOPED_TRACE(toUtf8(value));
        VersionNumber max = maximumVersionFrom(value);
        expectParts(max, 65535, 65535, 65535, 65535);
        EXPECT_TRUE(isWithinBounds(makeVersion(17, 0, 2, 0), minimumVersionFrom(u""), max));
        EXPECT_TRUE(isUnsetVersion(max));
    }
}

TEST(SettingsValues, YesTestIgnoresCase) {
    EXPECT_TRUE(isYes(u"Yes"));
    EXPECT_TRUE(isYes(u"yes"));
    EXPECT_TRUE(isYes(u"YES"));
    EXPECT_FALSE(isYes(u"y"));
    EXPECT_FALSE(isYes(u"true"));
    EXPECT_FALSE(isYes(u" Yes"));
}

TEST(SettingsValues, MainClassUsesSlashes) {
    EXPECT_EQ(mainClassFrom(u"com.example.app.Main"), u"com/example/app/Main");
    EXPECT_EQ(mainClassFrom(u"com/example/app/Main"), u"com/example/app/Main");
}

TEST(SettingsValues, RelativePathIsTakenFromTheLauncherFolder) {
    std::u16string module = kWindows ? u"D:\\Apps\\Tool\\tool.exe" : u"/opt/apps/tool/tool";
    std::u16string folder = kWindows ? u"D:\\Apps\\Tool" : u"/opt/apps/tool";
    EXPECT_EQ(besideLauncher(u"jre", module), folder + test::nativePath(u"/jre"));
    EXPECT_EQ(besideLauncher(u"j", module), folder + test::nativePath(u"/j"));
    EXPECT_EQ(besideLauncher(u"", module), u"");
    if (kWindows) {
        EXPECT_EQ(besideLauncher(u"E:\\Java\\jre8", module), u"E:\\Java\\jre8");
        EXPECT_EQ(besideLauncher(u"\\\\server\\share\\jre", module), u"\\\\server\\share\\jre");
    } else {
        EXPECT_EQ(besideLauncher(u"/usr/lib/jvm/java-17", module), u"/usr/lib/jvm/java-17");
    }
}

} // namespace
} // namespace launcher
