// File search, folder chain, module path and environment expansion against
// the real Windows API.

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/FileFinder.h"
#include "base/FolderChain.h"
#include "base/ModulePath.h"
#include "base/Wide.win32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace launcher {
namespace {

// A fresh folder under GetTempPathW, removed with everything below it
// through the long-path form, since the tests go beyond MAX_PATH.
class LongTempFolder {
public:
    LongTempFolder() {
        std::u16string temp(MAX_PATH + 1, u'\0');
        temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), wide(temp)));
        path_ = temp + u"launcher-fs-" + toDecimal(GetCurrentProcessId()) + u"-" + toDecimal(GetTickCount());
        CreateDirectoryW(wide(path_), nullptr);
    }
    ~LongTempFolder() { removeTree(u"\\\\?\\" + path_); }
    LongTempFolder(const LongTempFolder&) = delete;
    LongTempFolder& operator=(const LongTempFolder&) = delete;

    const std::u16string& path() const { return path_; }

private:
    static void removeTree(const std::u16string& folder) {
        WIN32_FIND_DATAW data;
        std::u16string pattern = folder + u"\\*";
        HANDLE search = FindFirstFileW(wide(pattern), &data);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::u16string name = fromWide(data.cFileName);
                if (name == u"." || name == u"..") continue;
                std::u16string child = folder + u"\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(child);
                else DeleteFileW(wide(child));
            } while (FindNextFileW(search, &data));
            FindClose(search);
        }
        RemoveDirectoryW(wide(folder));
    }

    std::u16string path_;
};

void writeFile(const std::u16string& path) {
    HANDLE file = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << toUtf8(path);
    CloseHandle(file);
}

bool isFolder(const std::u16string& path) {
    std::u16string text = longPathPattern(path);
    DWORD attributes = GetFileAttributesW(wide(text));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder tree deep enough that <deep>\*.txt is at least 300 characters.
std::u16string makeDeepFolder(const std::u16string& base) {
    std::u16string deep = base;
    while (deep.size() < 300) {
        deep += u"\\level-of-a-deep-tree";
        std::u16string longForm = u"\\\\?\\" + deep;
        EXPECT_TRUE(CreateDirectoryW(wide(longForm), nullptr)) << GetLastError();
    }
    return deep;
}

TEST(FileFinderWin32, LongPatternIsFoundThroughItsLongForm) {
    LongTempFolder temp;
    std::u16string deep = makeDeepFolder(temp.path());
    writeFile(u"\\\\?\\" + deep + u"\\target.txt");
    std::u16string pattern = deep + u"\\*.txt";
    ASSERT_GE(pattern.size(), 300u);

    std::u16string searched = longPathPattern(pattern);
    EXPECT_EQ(searched, u"\\\\?\\" + pattern);
    WIN32_FIND_DATAW data;
    HANDLE direct = FindFirstFileW(wide(searched), &data);
    ASSERT_NE(direct, INVALID_HANDLE_VALUE);
    FindClose(direct);

    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(pattern));
    EXPECT_EQ(finder.fileName(), u"target.txt");
    EXPECT_FALSE(finder.isDirectory());
    EXPECT_EQ(finder.root(), deep);
    EXPECT_FALSE(finder.findNext());

    // The long folders go again through removeFolder's long form.
    DeleteFileW(wide(u"\\\\?\\" + deep + u"\\target.txt"));
    while (deep.size() > temp.path().size()) {
        EXPECT_TRUE(removeFolder(deep)) << deep.size();
        deep.resize(deep.rfind(u'\\'));
    }
}

TEST(FileFinderWin32, PatternOfTheLongestPathPlusOneIsRefused) {
    LongTempFolder temp;
    writeFile(temp.path() + u"\\present.txt");
    std::u16string pattern = temp.path() + u"\\*.txt";
    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(pattern));

    std::u16string tooLong = temp.path() + u"\\" + std::u16string(32767, u'x');
    tooLong.resize(32767);
    EXPECT_FALSE(finder.findFirst(tooLong));
    EXPECT_FALSE(finder.found());
    EXPECT_TRUE(finder.root().empty());
}

TEST(FileFinderWin32, RootCutsAtTheLastSlashOfEitherKind) {
    LongTempFolder temp;
    CreateDirectoryW(wide(temp.path() + u"\\sub"), nullptr);
    writeFile(temp.path() + u"\\sub\\one.txt");

    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(temp.path() + u"\\sub/*.txt"));
    EXPECT_EQ(finder.root(), temp.path() + u"\\sub");
    ASSERT_TRUE(finder.findFirst(temp.path() + u"\\sub\\..\\sub\\one.txt"));
    EXPECT_EQ(finder.root(), temp.path() + u"\\sub");
}

TEST(FolderChainWin32, CreatesTheMissingFoldersBelowAnExistingOne) {
    LongTempFolder temp;
    const std::u16string logs = temp.path() + u"\\logs";
    ASSERT_TRUE(CreateDirectoryW(wide(logs), nullptr));

    EXPECT_EQ(createFolderChain(logs + u"\\app\\2026\\out.log"), 0u);
    EXPECT_TRUE(isFolder(logs + u"\\app"));
    EXPECT_TRUE(isFolder(logs + u"\\app\\2026"));
    EXPECT_FALSE(pathExists(logs + u"\\app\\2026\\out.log"));
}

TEST(FolderChainWin32, ExistingFileNeedsNothing) {
    LongTempFolder temp;
    writeFile(temp.path() + u"\\present.log");
    EXPECT_EQ(createFolderChain(temp.path() + u"\\present.log"), 0u);

    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(temp.path() + u"\\*"));
    int entries = 0;
    do ++entries;
    while (finder.findNext());
    EXPECT_EQ(entries, 3); // ".", ".." and the file
}

TEST(FolderChainWin32, InvalidNameStopsAndTakesBackTheLevelBefore) {
    LongTempFolder temp;
    EXPECT_NE(createFolderChain(temp.path() + u"\\made\\bad|name\\out.log"), 0u);
    EXPECT_FALSE(pathExists(temp.path() + u"\\made"));
}

TEST(FolderChainWin32, LongPathComponents) {
    EXPECT_EQ(splitPathComponents(u"\\\\?\\C:\\a\\b"), (TextList{u"\\\\?\\C:", u"a", u"b"}));
    EXPECT_EQ(splitPathComponents(u"\\\\?\\UNC\\srv\\share\\x"), (TextList{u"\\\\?\\UNC\\srv", u"share", u"x"}));
}

TEST(ModulePathWin32, IsThisProgram) {
    std::u16string path;
    ASSERT_EQ(readModulePath(path), 0u);
    EXPECT_TRUE(endsWith(path, u"\\win32_tests.exe"));
    EXPECT_TRUE(pathExists(path));
}

TEST(ExpandEnvironmentWin32, AgreesWithTheSystemFunction) {
    test::EnvironmentOverride foo(u"LAUNCHER_X_FOO", u"bar");
    test::EnvironmentOverride empty(u"LAUNCHER_X_EMPTY", u"");
    test::EnvironmentOverride percent(u"LAUNCHER_X_PCT", u"%LAUNCHER_X_FOO%");
    test::EnvironmentOverride spaced(u"LAUNCHER_X A", u"sp");
    unsetEnvironmentVariable(u"LAUNCHER_X_NOPE");
    std::u16string longValue(5000, u'v');
    test::EnvironmentOverride big(u"LAUNCHER_X_BIG", longValue);

    const std::u16string texts[] = {
        u"%LAUNCHER_X_FOO%",
        u"%launcher_x_foo%",
        u"a%LAUNCHER_X_FOO%b%LAUNCHER_X_FOO%",
        u"%LAUNCHER_X_EMPTY%x",
        u"%LAUNCHER_X_PCT%",
        u"%LAUNCHER_X A%",
        u"%LAUNCHER_X_NOPE%",
        u"%LAUNCHER_X_NOPE%%LAUNCHER_X_FOO%",
        u"%LAUNCHER_X_NOPE%LAUNCHER_X_FOO%",
        u"%LAUNCHER_X_FOO%LAUNCHER_X_FOO%",
        u"%LAUNCHER_X_FOO%%",
        u"%%LAUNCHER_X_FOO%%",
        u"100%",
        u"%",
        u"%%",
        u"%%%",
        u"%LAUNCHER_X_FOO",
        u"[%LAUNCHER_X_BIG%]",
        u"",
    };
    for (const std::u16string& text : texts) {
        DWORD size = ExpandEnvironmentStringsW(wide(text), nullptr, 0);
        std::u16string system(size, u'\0');
        ASSERT_EQ(ExpandEnvironmentStringsW(wide(text), wide(system), size), size);
        system.resize(size - 1);

        EXPECT_EQ(expandReferences(text, getEnvironmentVariable), system) << toUtf8(text);
        EXPECT_EQ(expandEnvironmentCopy(text), system) << toUtf8(text);
    }
}

TEST(EnvironmentWin32, ValueOfTheLongestKindIsReadWhole) {
    std::u16string value(32000, u'q');
    value[0] = u'<';
    value.back() = u'>';
    test::EnvironmentOverride big(u"LAUNCHER_X_HUGE", value);
    EXPECT_EQ(getEnvironmentVariable(u"LAUNCHER_X_HUGE"), value);
    EXPECT_EQ(getEnvironmentVariable(u"launcher_x_huge"), value);
}

} // namespace
} // namespace launcher
