// The class path from its setting, against a real folder beside a
// stand-in executable.

#include "vmopts/ClassPath.h"

#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace launcher {
namespace {

// Platform spelling of a path written with "/".
std::u16string native(std::u16string text) {
    replaceAll(text, u'/', kPathSeparator);
    return text;
}

// An absolute path that need not exist.
const std::u16string kShared = native(kWindows ? u"C:/shared/util.jar" : u"/shared/util.jar");

class ClassPathTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char16_t* name : {u"lib/a.jar", u"lib/b.jar", u"lib/notes.txt", u"Main.JAR"}) {
            test::writeBytes(temp_.path() / test::toPath(name), "x");
        }
        module_ = temp_.text(u"run.exe");
    }
    // The elements of a composed class path, in order.
    TextList elements(std::u16string_view setting, bool embeddedJar = false) const {
        std::u16string classPath = composeClassPath(setting, module_, embeddedJar);
        EXPECT_TRUE(classPath.empty() || classPath.back() == kListSeparator) << toUtf8(classPath);
        return splitString(classPath, std::u16string(1, kListSeparator));
    }
    std::u16string in(std::u16string_view relative) const { return native(temp_.text() + u"/" + std::u16string(relative)); }

    test::TempFolder temp_;
    std::u16string module_;
};

TEST_F(ClassPathTest, WildcardMatchesThenAbsoluteEntryAsWritten) {
    TextList got = elements(native(u"lib/*.jar;") + kShared);
    ASSERT_EQ(got.size(), 3u);
    std::sort(got.begin(), got.begin() + 2); // the listing's order is the file system's
    EXPECT_EQ(got, (TextList{in(u"lib/a.jar"), in(u"lib/b.jar"), kShared}));
}

TEST_F(ClassPathTest, RelativeEntriesEnterOnlyWhenFound) {
    // A relative entry takes the name as stored; a missing one is dropped,
    // empty pieces find nothing, and a quote is part of the name.
    // Windows finds "main.jar" as "Main.JAR"; Linux names differ by case.
    test::EnvironmentOverride folder(u"LAUNCHER_CPTEST_DIR", u"lib");
    TextList expected{in(u"Main.JAR"), in(u"lib")};
    if (kWindows) expected.insert(expected.begin(), in(u"Main.JAR"));
    EXPECT_EQ(elements(u";main.jar;Main.JAR;nothere.jar;;%LAUNCHER_CPTEST_DIR%;\"lib\""), expected);
    EXPECT_TRUE(elements(u";;;").empty());
    EXPECT_TRUE(elements(u"nothere.jar;x*").empty());
}

TEST_F(ClassPathTest, EmbeddedJarPutsTheExecutableFirst) {
    EXPECT_EQ(elements(u"Main.JAR", true), (TextList{module_, in(u"Main.JAR")}));
    EXPECT_EQ(elements(u"nothere.jar", true), TextList{module_});
}

TEST_F(ClassPathTest, UnrepresentableNameStillNamesTheFile) {
    // Outside any ANSI code page but a CJK one: the option text must still
    // name the file after narrowing (its short form on Windows).
    test::writeBytes(temp_.path() / test::toPath(u"lib/\u4E2D\u6587.jar"), "x");
    TextList got = elements(native(u"lib/\u4E2D\u6587.jar"));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(survivesNarrowing(got[0])) << toUtf8(got[0]);
    EXPECT_TRUE(pathExists(got[0])) << toUtf8(got[0]);
}

TEST(MatchPrefix, BothForms) {
    EXPECT_EQ(matchPrefix(u"C:\\app\\lib\\*.jar", kWindowsPathForm), u"C:\\app\\lib\\");
    EXPECT_EQ(matchPrefix(u"C:\\app\\lib/*.jar", kWindowsPathForm), u"C:\\app\\lib/");
    EXPECT_EQ(matchPrefix(u"C:*.jar", kWindowsPathForm), u"C:");
    EXPECT_EQ(matchPrefix(u"*.jar", kWindowsPathForm), u"");
    EXPECT_EQ(matchPrefix(u"/opt/app/a\\b*.jar", kPosixPathForm), u"/opt/app/");
    EXPECT_EQ(matchPrefix(u"C:*.jar", kPosixPathForm), u"");
}

} // namespace
} // namespace launcher
