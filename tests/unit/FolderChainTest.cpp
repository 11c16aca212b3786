// Splitting paths into components, and creating the missing folders of a
// file path: the rules over a recording folder system for both path forms,
// then the platform's own folders.

#include "base/FolderChain.h"
#include "base/PathText.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct SplitCase {
    const char* label;
    PathForm form;
    std::u16string path;
    TextList components;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.label; }

class SplitPathComponentsTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathComponentsTest, Components) {
    EXPECT_EQ(splitPathComponents(GetParam().path, GetParam().form), GetParam().components);
}

INSTANTIATE_TEST_SUITE_P(
    BothForms, SplitPathComponentsTest,
    testing::Values(
        SplitCase{"Drive", kWindowsPathForm, u"C:\\logs\\app\\out.log", {u"C:", u"logs", u"app", u"out.log"}},
        SplitCase{"LongLocal", kWindowsPathForm, u"\\\\?\\C:\\a\\b", {u"\\\\?\\C:", u"a", u"b"}},
        SplitCase{"LongNetwork", kWindowsPathForm, u"\\\\?\\UNC\\srv\\share\\x", {u"\\\\?\\UNC\\srv", u"share", u"x"}},
        SplitCase{"LongNetworkLowerCase", kWindowsPathForm, u"\\\\?\\unc\\srv\\x", {u"\\\\?\\unc\\srv", u"x"}},
        SplitCase{"Network", kWindowsPathForm, u"\\\\srv\\share\\x", {u"\\\\srv", u"share", u"x"}},
        SplitCase{"ServerOnly", kWindowsPathForm, u"\\\\srv", {u"\\\\srv"}},
        SplitCase{"RootedWithoutDrive", kWindowsPathForm, u"\\a\\b", {u"", u"a", u"b"}},
        SplitCase{"AdjacentSeparators", kWindowsPathForm, u"C:\\a\\\\b", {u"C:", u"a", u"", u"b"}},
        SplitCase{"TrailingSeparator", kWindowsPathForm, u"C:\\a\\b\\", {u"C:", u"a", u"b"}},
        SplitCase{"DriveAndSeparator", kWindowsPathForm, u"C:\\", {u"C:"}},
        SplitCase{"Relative", kWindowsPathForm, u"logs\\out.log", {u"logs", u"out.log"}},
        SplitCase{"SlashIsNoSeparator", kWindowsPathForm, u"C:/a/b", {u"C:/a/b"}},
        SplitCase{"Empty", kWindowsPathForm, u"", {}},
        SplitCase{"LinuxAbsolute", kPosixPathForm, u"/var/log/app.log", {u"", u"var", u"log", u"app.log"}},
        SplitCase{"LinuxKeepsBackslashes", kPosixPathForm, u"/a\\b/c", {u"", u"a\\b", u"c"}},
        SplitCase{"LinuxNoNetworkPaths", kPosixPathForm, u"//srv/x", {u"", u"", u"srv", u"x"}},
        SplitCase{"LinuxRelative", kPosixPathForm, u"logs/out.log", {u"logs", u"out.log"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.label); });

TEST(SplitPathComponents, UsesThePlatformForm) {
    EXPECT_EQ(splitPathComponents(u"a/b\\c"), (kWindows ? TextList{u"a/b", u"c"} : TextList{u"a", u"b\\c"}));
}

// A folder tree in memory. Creating needs the parent to be there (a root
// counts as there), as with the real calls; failures can be planted.
class RecordingFolders final : public FolderSystem {
public:
    RecordingFolders(PathForm form, std::set<std::u16string> existing) : form_(form), existing_(std::move(existing)) {}

    uint32_t findPath(std::u16string_view path) override {
        if (findError_) return *findError_;
        return existing_.count(std::u16string(path)) ? 0 : kErrorFileNotFound;
    }
    uint32_t createFolder(std::u16string_view path) override {
        std::u16string text(path);
        created_.push_back(text);
        if (auto failure = failures_.find(text); failure != failures_.end()) return failure->second;
        if (existing_.count(text)) return kErrorAlreadyExists;
        size_t cut = text.rfind(form_.separator);
        if (cut != std::u16string::npos && !existing_.count(text.substr(0, cut))) return kErrorFileNotFound;
        existing_.insert(text);
        return 0;
    }
    bool removeFolder(std::u16string_view path) override {
        std::u16string text(path);
        removed_.push_back(text);
        for (const std::u16string& other : existing_) {
            if (other.size() > text.size() && startsWith(other, text) && other[text.size()] == form_.separator) return false;
        }
        return existing_.erase(text) > 0;
    }

    void fail(std::u16string path, uint32_t error) { failures_[std::move(path)] = error; }
    void failFind(uint32_t error) { findError_ = error; }

    const std::set<std::u16string>& existing() const { return existing_; }
    const TextList& attempts() const { return created_; }
    const TextList& removals() const { return removed_; }

private:
    PathForm form_;
    std::set<std::u16string> existing_;
    std::map<std::u16string, uint32_t> failures_;
    std::optional<uint32_t> findError_;
    TextList created_;
    TextList removed_;
};

constexpr uint32_t kAccessDenied = 5;

struct ChainCase {
    const char* label;
    PathForm form;
    std::u16string path;
    std::set<std::u16string> before;
    std::map<std::u16string, uint32_t> failures;
    uint32_t result;
    std::set<std::u16string> after;
    TextList removals;
};
void PrintTo(const ChainCase& c, std::ostream* os) { *os << c.label; }

class CreateFolderChainTest : public testing::TestWithParam<ChainCase> {};

TEST_P(CreateFolderChainTest, CreatesTheMissingFolders) {
    const ChainCase& c = GetParam();
    RecordingFolders folders(c.form, c.before);
    for (const auto& [path, error] : c.failures) folders.fail(path, error);

    EXPECT_EQ(createFolderChain(c.path, c.form, folders), c.result);
    EXPECT_EQ(folders.existing(), c.after);
    EXPECT_EQ(folders.removals(), c.removals);
}

INSTANTIATE_TEST_SUITE_P(
    BothForms, CreateFolderChainTest,
    testing::Values(
        ChainCase{"OnlyTheFirstFolderExists", kWindowsPathForm, u"C:\\logs\\app\\2026\\out.log",
                  {u"C:", u"C:\\logs"}, {}, 0,
                  {u"C:", u"C:\\logs", u"C:\\logs\\app", u"C:\\logs\\app\\2026"}, {}},
        ChainCase{"NothingBelowTheDrive", kWindowsPathForm, u"C:\\a\\b\\f.txt",
                  {u"C:"}, {}, 0, {u"C:", u"C:\\a", u"C:\\a\\b"}, {}},
        ChainCase{"FileNameOnlyBelowTheDrive", kWindowsPathForm, u"C:\\f.txt", {u"C:"}, {}, 0, {u"C:"}, {}},
        ChainCase{"NetworkShareCannotBeCreated", kWindowsPathForm, u"\\\\server\\share\\logs\\out.log",
                  {u"\\\\server", u"\\\\server\\share"}, {{u"\\\\server\\share", kAccessDenied}}, 0,
                  {u"\\\\server", u"\\\\server\\share", u"\\\\server\\share\\logs"}, {}},
        ChainCase{"NetworkFailuresGoOnToTheEnd", kWindowsPathForm, u"\\\\srv\\share\\a\\b\\out.log",
                  {u"\\\\srv", u"\\\\srv\\share"}, {{u"\\\\srv\\share\\a", kAccessDenied}}, kErrorFileNotFound,
                  {u"\\\\srv", u"\\\\srv\\share"}, {}},
        ChainCase{"LongNetworkForm", kWindowsPathForm, u"\\\\?\\UNC\\srv\\share\\logs\\out.log",
                  {u"\\\\?\\UNC\\srv", u"\\\\?\\UNC\\srv\\share"}, {{u"\\\\?\\UNC\\srv\\share", kAccessDenied}}, 0,
                  {u"\\\\?\\UNC\\srv", u"\\\\?\\UNC\\srv\\share", u"\\\\?\\UNC\\srv\\share\\logs"}, {}},
        ChainCase{"LongLocalFormIsLocal", kWindowsPathForm, u"\\\\?\\C:\\a\\b\\c\\f.log",
                  {u"\\\\?\\C:"}, {{u"\\\\?\\C:\\a\\b\\c", kAccessDenied}}, kAccessDenied,
                  {u"\\\\?\\C:", u"\\\\?\\C:\\a"}, {u"\\\\?\\C:\\a\\b"}},
        ChainCase{"DeepFailureTakesBackTheLevelAbove", kWindowsPathForm, u"C:\\a\\b\\c\\d\\f.log",
                  {u"C:"}, {{u"C:\\a\\b\\c", kAccessDenied}}, kAccessDenied,
                  {u"C:", u"C:\\a"}, {u"C:\\a\\b"}},
        ChainCase{"FolderThatWasThereStays", kWindowsPathForm, u"C:\\a\\b\\c\\f.log",
                  {u"C:", u"C:\\a", u"C:\\a\\b"}, {{u"C:\\a\\b\\c", kAccessDenied}}, kAccessDenied,
                  {u"C:", u"C:\\a", u"C:\\a\\b"}, {}},
        ChainCase{"FirstFolderFailureStops", kWindowsPathForm, u"C:\\a\\b\\f.log",
                  {u"C:"}, {{u"C:\\a", kAccessDenied}}, kAccessDenied, {u"C:"}, {}},
        ChainCase{"RootedWithoutDrive", kWindowsPathForm, u"\\logs\\app\\f.log",
                  {u""}, {}, 0, {u"", u"\\logs", u"\\logs\\app"}, {}},
        ChainCase{"RelativeStartsAtTheWorkingFolder", kWindowsPathForm, u"logs\\app\\out.log",
                  {u"."}, {}, 0, {u".", u".\\logs", u".\\logs\\app"}, {}},
        ChainCase{"RelativeFileNameAlone", kWindowsPathForm, u"out.log", {u"."}, {}, 0, {u"."}, {}},
        ChainCase{"RelativeFailureTakesBackItsFirstFolder", kWindowsPathForm, u"logs\\app\\out.log",
                  {u"."}, {{u".\\logs\\app", kAccessDenied}}, kAccessDenied, {u"."}, {u".\\logs"}},
        ChainCase{"EmptyPath", kWindowsPathForm, u"", {}, {}, kErrorInvalidParameter, {}, {}},
        ChainCase{"LinuxAbsolute", kPosixPathForm, u"/var/log/app/out.log",
                  {u"", u"/var", u"/var/log"}, {}, 0, {u"", u"/var", u"/var/log", u"/var/log/app"}, {}},
        ChainCase{"LinuxRelative", kPosixPathForm, u"out/today/f.log",
                  {u"."}, {}, 0, {u".", u"./out", u"./out/today"}, {}}),
    [](const testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.label); });

TEST(CreateFolderChain, ExistingAbsolutePathIsNotWalked) {
    RecordingFolders folders(kWindowsPathForm, {u"C:", u"C:\\logs", u"C:\\logs\\out.log"});
    EXPECT_EQ(createFolderChain(u"C:\\logs\\out.log", kWindowsPathForm, folders), 0u);
    EXPECT_TRUE(folders.attempts().empty());
}

TEST(CreateFolderChain, SearchFailingWithoutAnErrorCountsAsFound) {
    RecordingFolders folders(kWindowsPathForm, {u"C:"});
    folders.failFind(0);
    EXPECT_EQ(createFolderChain(u"C:\\new\\out.log", kWindowsPathForm, folders), 0u);
    EXPECT_TRUE(folders.attempts().empty());
}

TEST(CreateFolderChain, RelativePathIsAlwaysWalked) {
    RecordingFolders folders(kWindowsPathForm, {u".", u".\\logs"});
    folders.failFind(0);
    EXPECT_EQ(createFolderChain(u"logs\\out.log", kWindowsPathForm, folders), 0u);
    EXPECT_EQ(folders.attempts(), TextList{u".\\logs"});
}

// The platform's own folders.

std::u16string under(const test::TempFolder& temp, std::initializer_list<std::u16string_view> names) {
    std::u16string path = temp.text();
    for (std::u16string_view name : names) path = joinPath(path, name);
    return path;
}

TEST(CreateFolderChain, CreatesRealFoldersButNotTheFile) {
    test::TempFolder temp;
    fs::create_directory(temp.path() / "logs");
    std::u16string file = under(temp, {u"logs", u"app", u"2026", u"out.log"});

    EXPECT_EQ(createFolderChain(file), 0u);
    EXPECT_TRUE(fs::is_directory(temp.path() / "logs" / "app" / "2026"));
    EXPECT_FALSE(fs::exists(test::toPath(file)));
    // Everything in place: nothing to do, nothing failed.
    EXPECT_EQ(createFolderChain(file), 0u);
}

TEST(CreateFolderChain, RealFailureRemovesTheFolderItMadeJustBefore) {
    test::TempFolder temp;
    // No file system takes a name of 300 characters.
    std::u16string tooLong(300, u'n');
    std::u16string file = under(temp, {u"made", tooLong, u"out.log"});

    EXPECT_NE(createFolderChain(file), 0u);
    EXPECT_FALSE(fs::exists(temp.path() / "made"));
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST(CreateFolderChain, RelativePathIsCreatedInTheWorkingFolder) {
    test::TempFolder temp;
    fs::path previous = fs::current_path();
    fs::current_path(temp.path());
    uint32_t result = createFolderChain(std::u16string(u"first") + kPathSeparator + u"second" + kPathSeparator + u"f.log");
    fs::current_path(previous);

    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(fs::is_directory(temp.path() / "first" / "second"));
}

TEST(RemoveFolder, RemovesOnlyAnEmptyFolder) {
    test::TempFolder temp;
    fs::create_directories(temp.path() / "full" / "inner");
    fs::create_directory(temp.path() / "empty");

    EXPECT_TRUE(removeFolder(under(temp, {u"empty"})));
    EXPECT_FALSE(fs::exists(temp.path() / "empty"));
    EXPECT_FALSE(removeFolder(under(temp, {u"full"})));
    EXPECT_TRUE(fs::is_directory(temp.path() / "full" / "inner"));
    EXPECT_FALSE(removeFolder(under(temp, {u"missing"})));
}

TEST(CreateFolder, ReportsAnExistingFolder) {
    test::TempFolder temp;
    std::u16string folder = under(temp, {u"one"});
    EXPECT_EQ(createFolder(folder), 0u);
    EXPECT_EQ(createFolder(folder), kErrorAlreadyExists);
    EXPECT_NE(createFolder(under(temp, {u"missing", u"two"})), 0u);
    EXPECT_EQ(findPathError(folder), 0u);
    EXPECT_NE(findPathError(under(temp, {u"missing"})), 0u);
}

} // namespace
} // namespace launcher
