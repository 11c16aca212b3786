#include "base/PathText.h"
#include "base/Platform.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// Builds a path with the platform's separator where the text has '|'.
std::u16string path(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c == u'|') c = kPathSeparator;
    }
    return out;
}

TEST(PathSplitTest, CutsAtTheLastSeparator) {
    struct Case {
        const char16_t* path;
        const char16_t* folder;
        const char16_t* fileName;
    };
    const Case cases[] = {
        {u"", u"", u""},
        {u"app.exe", u"app.exe", u"app.exe"},
        {u"|opt|app|launcher", u"|opt|app", u"launcher"},
        {u"C:|Program Files|App|app.exe", u"C:|Program Files|App", u"app.exe"},
        {u"dir|", u"dir", u""},
        {u"|", u"", u""},
        {u"||server|share|a.ini", u"||server|share", u"a.ini"},
        {u"a|b.c|d", u"a|b.c", u"d"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(folderOf(path(c.path)), path(c.folder)) << testing::PrintToString(path(c.path));
        EXPECT_EQ(fileNameOf(path(c.path)), path(c.fileName)) << testing::PrintToString(path(c.path));
    }
}

TEST(PathSplitTest, TheOtherPlatformsSeparatorIsAnOrdinaryCharacter) {
    const std::u16string foreign = kPathSeparator == u'/' ? u"a\\b" : u"a/b";
    EXPECT_EQ(folderOf(foreign), foreign);
    EXPECT_EQ(fileNameOf(foreign), foreign);
}

TEST(JoinPathTest, OneSeparatorBetweenFolderAndName) {
    EXPECT_EQ(joinPath(path(u"|opt|app"), u"app.ini"), path(u"|opt|app|app.ini"));
    EXPECT_EQ(joinPath(path(u"|opt|app|"), u"app.ini"), path(u"|opt|app|app.ini"));
    EXPECT_EQ(joinPath(path(u"|"), u"etc"), path(u"|etc"));
    EXPECT_EQ(joinPath(u"", u"app.ini"), u"app.ini");
    EXPECT_EQ(joinPath(path(u"a"), u""), path(u"a|"));
}

TEST(AbsolutePathTest, WindowsDriveOrDoubleBackslash) {
    struct Case {
        const char16_t* path;
        bool absolute;
    };
    const Case cases[] = {
        {u"C:\\Java\\jdk", true},
        {u"c:", true},
        {u"C:relative", true},
        {u"\\\\server\\share", true},
        {u"\\\\", true},
        {u"", false},
        {u"C", false},
        {u"\\", false},
        {u"\\Java", false},
        {u"jre\\bin", false},
        {u"..\\jre", false},
        {u"/usr/lib/jvm", false},
        {u"//server", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isAbsoluteWindowsPath(c.path), c.absolute) << testing::PrintToString(c.path);
}

TEST(AbsolutePathTest, PosixLeadingSlash) {
    struct Case {
        const char16_t* path;
        bool absolute;
    };
    const Case cases[] = {
        {u"/usr/lib/jvm", true},
        {u"/", true},
        {u"", false},
        {u"jre/bin", false},
        {u"./jre", false},
        {u"~/jre", false},
        {u"C:\\Java", false},
        {u"\\\\server\\share", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isAbsolutePosixPath(c.path), c.absolute) << testing::PrintToString(c.path);
}

TEST(AbsolutePathTest, PlatformTestFollowsThePlatform) {
    for (const char16_t* p : {u"C:\\Java", u"\\\\server\\share", u"/usr/lib", u"jre", u""}) {
        bool expected = kWindows ? isAbsoluteWindowsPath(p) : isAbsolutePosixPath(p);
        EXPECT_EQ(isAbsolutePath(p), expected) << testing::PrintToString(std::u16string(p));
    }
}

} // namespace
} // namespace launcher
