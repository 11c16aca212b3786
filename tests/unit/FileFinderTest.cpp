// Directory search: the long-path form of patterns, network-path test,
// roots, and real searches in a scratch folder.

#include "base/FileFinder.h"
#include "base/PathText.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// A local pattern of exactly `length` characters.
std::u16string localPattern(size_t length) {
    std::u16string text = u"C:\\";
    while (text.size() + 6 < length) text += u"deep\\";
    text.resize(length - 5, u'x');
    return text + u"\\*.db";
}

struct LongFormCase {
    const char* label;
    std::u16string pattern;
    std::u16string expected;
};
void PrintTo(const LongFormCase& c, std::ostream* os) { *os << c.label; }

class LongPathPatternTest : public testing::TestWithParam<LongFormCase> {};

TEST_P(LongPathPatternTest, Form) { EXPECT_EQ(longPathPattern(GetParam().pattern), GetParam().expected); }

const std::u16string kLong259 = localPattern(259);
const std::u16string kLong260 = localPattern(260);
const std::u16string kLongTail(300, u'y');

INSTANTIATE_TEST_SUITE_P(
    Patterns, LongPathPatternTest,
    testing::Values(
        LongFormCase{"Short", u"C:\\a\\*.jar", u"C:\\a\\*.jar"},
        LongFormCase{"JustUnderTheLimit", kLong259, kLong259},
        LongFormCase{"AtTheLimit", kLong260, u"\\\\?\\" + kLong260},
        LongFormCase{"AlreadyLong", u"\\\\?\\C:\\" + kLongTail, u"\\\\?\\C:\\" + kLongTail},
        LongFormCase{"Network", u"\\\\srv\\share\\" + kLongTail, u"\\\\?\\UNC\\srv\\share\\" + kLongTail},
        LongFormCase{"AlreadyLongNetwork", u"\\\\?\\UNC\\srv\\" + kLongTail, u"\\\\?\\UNC\\srv\\" + kLongTail},
        LongFormCase{"ShortNetwork", u"\\\\srv\\share\\x", u"\\\\srv\\share\\x"},
        LongFormCase{"RootedWithoutDrive", u"\\" + kLongTail, u"\\\\?\\\\" + kLongTail}),
    [](const testing::TestParamInfo<LongFormCase>& info) { return std::string(info.param.label); });

TEST(IsUncPath, ServersButNotLocalLongPaths) {
    const std::pair<std::u16string, bool> cases[] = {
        {u"\\\\srv\\share\\x", true}, {u"\\\\srv", true},          {u"\\\\?\\UNC\\srv\\x", true},
        {u"\\\\?\\unc\\srv", true},   {u"\\\\?\\C:\\a", false},    {u"\\\\?\\UNCx", false},
        {u"\\\\?", false},            {u"C:\\a", false},           {u"\\a", false},
        {u"\\", false},               {u"", false},                {u"//srv/share", false},
    };
    for (const auto& [path, network] : cases) EXPECT_EQ(isUncPath(path), network) << toUtf8(path);
}

TEST(SearchRoot, CutsAtTheLastSeparatorOfTheForm) {
    struct Case {
        PathForm form;
        std::u16string full;
        std::u16string root;
    };
    const Case cases[] = {
        {kWindowsPathForm, u"C:\\app\\lib\\*.jar", u"C:\\app\\lib"},
        {kWindowsPathForm, u"C:\\app/lib\\x/*.jar", u"C:\\app/lib\\x"},
        {kWindowsPathForm, u"C:/app\\lib\\*.jar", u"C:/app\\lib"},
        {kWindowsPathForm, u"C:\\*.*", u"C:"},
        {kWindowsPathForm, u"name", u"name"},
        {kPosixPathForm, u"/opt/app/lib/*.jar", u"/opt/app/lib"},
        {kPosixPathForm, u"/opt/a\\b*.jar", u"/opt"},
        {kPosixPathForm, u"/*", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(searchRoot(c.full, c.form), c.root) << toUtf8(c.full);
}

TEST(AbsolutePosixPath, ResolvesTheTextLikeTheFullPathFunction) {
    const std::u16string cases[][3] = {
        {u"lib/*.jar", u"/opt/app", u"/opt/app/lib/*.jar"},
        {u"*.jar", u"/", u"/*.jar"},
        {u"../x/./y", u"/opt/app", u"/opt/x/y"},
        {u"/a//b/../c", u"/ignored", u"/a/c"},
        {u"../../../..", u"/a", u"/"},
        {u"/", u"/w", u"/"},
        {u"dir/", u"/w", u"/w/dir/"},
        {u"", u"/w/x", u"/w/x"},
    };
    for (const auto& c : cases) EXPECT_EQ(absolutePosixPath(c[0], c[1]), c[2]) << toUtf8(c[0]);
}

// A scratch folder with two archives, a note without extension and a
// folder.
class FileFinderSearchTest : public testing::Test {
protected:
    void SetUp() override {
        test::writeText(temp_.path() / "a.jar", u"a");
        test::writeText(temp_.path() / "b.jar", u"b");
        test::writeText(temp_.path() / "readme", u"r");
        fs::create_directory(temp_.path() / "lib");
    }

    std::u16string pattern(std::u16string_view name) const { return joinPath(temp_.text(), name); }

    // Every name the search reports, in a set: the order is the platform's.
    std::set<std::u16string> names(std::u16string_view name) {
        std::set<std::u16string> seen;
        FileFinder finder;
        if (!finder.findFirst(pattern(name))) return seen;
        do {
            EXPECT_TRUE(seen.insert(finder.fileName()).second) << "reported twice";
        } while (finder.findNext());
        return seen;
    }

    test::TempFolder temp_;
};

TEST_F(FileFinderSearchTest, MatchesNamesByWildcards) {
    using Names = std::set<std::u16string>;
    EXPECT_EQ(names(u"*.jar"), (Names{u"a.jar", u"b.jar"}));
    EXPECT_EQ(names(u"?.jar"), (Names{u"a.jar", u"b.jar"}));
    EXPECT_EQ(names(u"b*"), (Names{u"b.jar"}));
    EXPECT_EQ(names(u"*.*"), (Names{u".", u"..", u"a.jar", u"b.jar", u"readme", u"lib"}));
    EXPECT_EQ(names(u"readme"), (Names{u"readme"}));
    EXPECT_EQ(names(u"lib"), (Names{u"lib"}));
    EXPECT_EQ(names(u"*.zip"), Names{});
    EXPECT_EQ(names(u"missing"), Names{});
    EXPECT_EQ(names(u"nothere" + std::u16string(1, kPathSeparator) + u"*.jar"), Names{});
}

TEST_F(FileFinderSearchTest, TellsFoldersFromFiles) {
    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(pattern(u"lib")));
    EXPECT_TRUE(finder.isDirectory());
    ASSERT_TRUE(finder.findFirst(pattern(u"a.*")));
    EXPECT_FALSE(finder.isDirectory());
    EXPECT_EQ(finder.fileName(), u"a.jar");
}

TEST_F(FileFinderSearchTest, RootIsTheFullFolderOfThePattern) {
    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(pattern(u"*.jar")));
    EXPECT_TRUE(finder.found());
    EXPECT_EQ(finder.root(), temp_.text());

    // A relative pattern is taken from the working folder.
    fs::path previous = fs::current_path();
    fs::current_path(temp_.path() / "lib");
    bool foundRelative = finder.findFirst(std::u16string(u"..") + kPathSeparator + u"readme");
    std::u16string relativeRoot = finder.root();
    fs::current_path(previous);
    ASSERT_TRUE(foundRelative);
    EXPECT_EQ(relativeRoot, temp_.text());
}

TEST_F(FileFinderSearchTest, NewSearchForgetsThePreviousOne) {
    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(pattern(u"*.jar")));
    EXPECT_FALSE(finder.findFirst(pattern(u"*.zip")));
    EXPECT_FALSE(finder.found());
    EXPECT_EQ(finder.root(), u"");
    EXPECT_FALSE(finder.findNext());

    ASSERT_TRUE(finder.findFirst(pattern(u"readme")));
    EXPECT_FALSE(finder.findNext());
    finder.close();
    EXPECT_FALSE(finder.findNext());
}

TEST_F(FileFinderSearchTest, RefusesPatternsBeyondTheLongestPath) {
    FileFinder finder;
    std::u16string tooLong = pattern(u"*.jar");
    tooLong.insert(tooLong.size() - 5, std::u16string(32767 - tooLong.size(), u'x') );
    ASSERT_EQ(tooLong.size(), 32767u);
    EXPECT_FALSE(finder.findFirst(tooLong));
    EXPECT_FALSE(finder.found());
}

TEST_F(FileFinderSearchTest, PathExists) {
    EXPECT_TRUE(pathExists(pattern(u"readme")));
    EXPECT_TRUE(pathExists(pattern(u"lib")));
    EXPECT_FALSE(pathExists(pattern(u"missing")));
}

TEST(FileFinder, SearchesTheWorkingFolderByDefault) {
    test::TempFolder temp;
    test::writeText(temp.path() / "only.txt", u"x");
    fs::path previous = fs::current_path();
    fs::current_path(temp.path());
    FileFinder finder;
    std::set<std::u16string> seen;
    if (finder.findFirst()) {
        do seen.insert(finder.fileName());
        while (finder.findNext());
    }
    std::u16string root = finder.root();
    fs::current_path(previous);
    EXPECT_EQ(seen, (std::set<std::u16string>{u".", u"..", u"only.txt"}));
    EXPECT_EQ(root, temp.text());
}

} // namespace
} // namespace launcher
