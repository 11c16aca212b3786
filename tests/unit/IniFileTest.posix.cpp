// Where the Linux reader goes its own way: comments, UTF-8 files, and
// writes that replace the file atomically.

#include "IniTestFiles.h"

#include "config/IniFile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::test;
namespace fs = std::filesystem;

namespace {

// A folder of its own, so that leftovers of a write would show.
class IniFolder : public testing::Test {
protected:
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::path file(const char* name) const { return folder_ / name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder scratch_;
    fs::path folder_ = scratch_.path();
};

TEST_F(IniFolder, CommentLinesAreSkipped) {
    writeBytes(file("tool.ini"), "[S]\n; k=commented\n  ;j=also\nk=real\n");
    IniFile ini(file("tool.ini").u16string());
    EXPECT_EQ(ini.read(u"S", u"k"), u"real");
    EXPECT_EQ(ini.read(u"S", u"; k"), u"");
    EXPECT_EQ(ini.read(u"S", u";j"), u"");
}

TEST_F(IniFolder, Utf8WithoutByteOrderMark) {
    writeBytes(file("tool.ini"), "[Produkt]\nName=Caf\xC3\xA9 \xE4\xB8\xAD\n");
    EXPECT_EQ(IniFile(file("tool.ini").u16string()).read(u"produkt", u"name"), u"Caf\u00e9 \u4e2d");
}

TEST_F(IniFolder, NewFileIsUtf8WithLineFeeds) {
    IniFile ini(file("tool.ini").u16string());
    ASSERT_TRUE(ini.writeString(u"Java Runtime Environment", u"JRE Path", u"/opt/j\u00e9/"));
    EXPECT_EQ(readBytes(file("tool.ini")), "[Java Runtime Environment]\nJRE Path=/opt/j\xC3\xA9/\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"tool.ini"});
}

TEST_F(IniFolder, WriteKeepsEveryOtherByteAndThePermissions) {
    std::string before = "; Launcher settings\r\n[Java Runtime Environment]\r\n   JRE Path  =  /old/  \r\n\r\n"
                         "[Application]\r\nMain Class=a.B\r\nOdd=\xFF\xC3\r\n";
    writeBytes(file("tool.ini"), before);
    fs::permissions(file("tool.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(IniFile(file("tool.ini").u16string()).writeString(u"JAVA RUNTIME ENVIRONMENT", u"jre path", u"/new/"));
    std::string expected = before;
    expected.replace(expected.find("/old/  "), 7, "/new/");
    EXPECT_EQ(readBytes(file("tool.ini")), expected);
    EXPECT_EQ(fs::status(file("tool.ini")).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), std::vector<std::string>{"tool.ini"});
}

TEST_F(IniFolder, WriteReplacesTheFileInsteadOfRewritingIt) {
    // A second name for the old file still sees the old content: the new
    // content went to a new file that was renamed into place.
    writeBytes(file("tool.ini"), "[S]\nk=old\n");
    fs::create_hard_link(file("tool.ini"), file("snapshot.ini"));
    ASSERT_TRUE(IniFile(file("tool.ini").u16string()).writeString(u"S", u"k", u"new"));
    EXPECT_EQ(readBytes(file("snapshot.ini")), "[S]\nk=old\n");
    EXPECT_EQ(readBytes(file("tool.ini")), "[S]\nk=new\n");
}

TEST_F(IniFolder, WriteThroughLinkKeepsTheLink) {
    fs::create_directories(folder_ / "real");
    writeBytes(folder_ / "real" / "tool.ini", "[S]\nk=old\n");
    fs::create_symlink(folder_ / "real" / "tool.ini", file("link.ini"));
    ASSERT_TRUE(IniFile(file("link.ini").u16string()).writeString(u"S", u"k", u"new"));
    EXPECT_TRUE(fs::is_symlink(file("link.ini")));
    EXPECT_EQ(readBytes(folder_ / "real" / "tool.ini"), "[S]\nk=new\n");
}

TEST_F(IniFolder, UnwritableEntryLeavesFileAlone) {
    writeBytes(file("tool.ini"), "[S]\nk=old\n");
    IniFile ini(file("tool.ini").u16string());
    EXPECT_FALSE(ini.writeString(u"S", u"k", u"two\nlines"));
    EXPECT_FALSE(ini.writeString(u"S", u"a=b", u"v"));
    EXPECT_EQ(readBytes(file("tool.ini")), "[S]\nk=old\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"tool.ini"});
}

TEST_F(IniFolder, UnreadableFileIsNotOverwritten) {
    fs::create_directory(file("tool.ini")); // a folder where the file should be
    IniFile ini(file("tool.ini").u16string());
    uint32_t header = 0;
    EXPECT_EQ(ini.readHeader(header), uint32_t(EISDIR));
    EXPECT_EQ(ini.read(u"S", u"k"), u"");
    EXPECT_FALSE(ini.writeString(u"S", u"k", u"v"));
    EXPECT_TRUE(fs::is_directory(file("tool.ini")));
}

TEST_F(IniFolder, ReadOnlyFolderFailsWithoutDamage) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    writeBytes(file("tool.ini"), "[S]\nk=old\n");
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(IniFile(file("tool.ini").u16string()).writeString(u"S", u"k", u"new"));
    fs::permissions(folder_, fs::perms::owner_all);
    EXPECT_EQ(readBytes(file("tool.ini")), "[S]\nk=old\n");
    EXPECT_EQ(entries(), std::vector<std::string>{"tool.ini"});
}

} // namespace

// One reader keeps the decoded file between reads; it must still see every
// change made by itself or by anyone else.
TEST_F(IniFolder, ReaderSeesEveryChangeToTheFile) {
    fs::path path = file("tool.ini");
    writeBytes(path, "[S]\nk=one\n");
    IniFile ini(path.u16string());
    EXPECT_EQ(ini.read(u"S", u"k"), u"one");
    ASSERT_TRUE(ini.writeString(u"S", u"k", u"two"));
    EXPECT_EQ(ini.read(u"S", u"k"), u"two");
    writeBytes(path, "[S]\nk=three, rewritten in place\n");
    EXPECT_EQ(ini.read(u"S", u"k"), u"three, rewritten in place");
    writeBytes(file("other.ini"), "[S]\nk=four\n");
    fs::rename(file("other.ini"), path);
    EXPECT_EQ(ini.read(u"S", u"k"), u"four");
    fs::remove(path);
    EXPECT_EQ(ini.read(u"S", u"k"), u"");
    writeBytes(path, "[T]\n");
    TextList names;
    ini.getSectionNames(names);
    EXPECT_EQ(names, TextList{u"T"});
}

// Readers of one file share what was decoded; a second reader must never be
// handed another file's text or text the file no longer holds, even when a
// rewrite keeps the file's size and lands within its times' granularity.
struct SecondReaderCase {
    const char* name;
    void (*change)(const fs::path& file, const fs::path& folder);
    const char16_t* expected;
};

class IniSecondReader : public IniFolder, public testing::WithParamInterface<SecondReaderCase> {};

TEST_P(IniSecondReader, SeesTheFileAsItIsNow) {
    fs::path path = file("tool.ini");
    writeBytes(path, "[S]\nk=old\n");
    EXPECT_EQ(IniFile(path.u16string()).read(u"S", u"k"), u"old");
    GetParam().change(path, folder_);
    EXPECT_EQ(IniFile(path.u16string()).read(u"S", u"k"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, IniSecondReader,
    testing::Values(
        SecondReaderCase{"Unchanged", [](const fs::path&, const fs::path&) {}, u"old"},
        SecondReaderCase{"SameSizeInPlace", [](const fs::path& f, const fs::path&) { writeBytes(f, "[S]\nk=new\n"); }, u"new"},
        SecondReaderCase{"Replaced",
                         [](const fs::path& f, const fs::path& d) {
                             writeBytes(d / "next.ini", "[S]\nk=new\n");
                             fs::rename(d / "next.ini", f);
                         },
                         u"new"},
        SecondReaderCase{"Removed", [](const fs::path& f, const fs::path&) { fs::remove(f); }, u""},
        SecondReaderCase{"WrittenByAReader",
                         [](const fs::path& f, const fs::path&) { IniFile(f.u16string()).writeString(u"S", u"k", u"new"); },
                         u"new"}),
    [](const testing::TestParamInfo<SecondReaderCase>& info) { return std::string(info.param.name); });

