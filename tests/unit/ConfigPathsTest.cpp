// Where the configuration files of a launcher are.

#include "config/ConfigPaths.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(ConfigPaths, WindowsIniPathCutsAtTheLastDotOfTheWholePath) {
    EXPECT_EQ(windowsIniPathFor(u"C:\\Apps\\Tool\\tool.exe"), u"C:\\Apps\\Tool\\tool.ini");
    EXPECT_EQ(windowsIniPathFor(u"C:\\my.dir\\tool"), u"C:\\my.ini");
    EXPECT_EQ(windowsIniPathFor(u"C:\\Apps\\tool.v2.exe"), u"C:\\Apps\\tool.v2.ini");
    EXPECT_EQ(windowsIniPathFor(u"C:\\Apps\\tool"), std::nullopt);
    EXPECT_EQ(windowsIniPathFor(u""), std::nullopt);
}

TEST(ConfigPaths, LinuxIniPathLooksAtTheFileNameOnly) {
    EXPECT_EQ(posixIniPathFor(u"/opt/app/hello"), u"/opt/app/hello.ini");
    EXPECT_EQ(posixIniPathFor(u"/opt/my.app/hello"), u"/opt/my.app/hello.ini");
    EXPECT_EQ(posixIniPathFor(u"/opt/app/hello.bin"), u"/opt/app/hello.ini");
    EXPECT_EQ(posixIniPathFor(u"/opt/app/.hello"), u"/opt/app/.hello.ini");
    EXPECT_EQ(posixIniPathFor(u""), std::nullopt);
}

TEST(ConfigPaths, ProductFolderNameDropsCharactersFoldersCannotHold) {
    EXPECT_EQ(folderNameOfProduct(u"Tool: Viewer?"), u"Tool Viewer");
    EXPECT_EQ(folderNameOfProduct(u"\\?\"|><:/*"), u"");
    EXPECT_EQ(folderNameOfProduct(u"Ünïcode Tool (x64)"), u"Ünïcode Tool (x64)");
}

TEST(ConfigPaths, UserIniPathIsProductThenCodeThenFileName) {
    const std::u16string code = u"{11111111-2222-3333-4444-555555555555}";
    EXPECT_EQ(userIniPathFor(test::nativePath(u"/Apps/Tool/tool.exe"), test::nativePath(u"/Users/u/AppData/Roaming"), u"Tool: Viewer?", code),
              test::nativePath(u"/Users/u/AppData/Roaming/Tool Viewer/") + code + test::nativePath(u"/tool.ini"));
    // A folder with a dot and a file name without one.
    EXPECT_EQ(userIniPathFor(test::nativePath(u"/my.dir/tool"), test::nativePath(u"/data"), u"P", u"C"), test::nativePath(u"/data/P/C/tool.ini"));
    // Nothing usable in the product name: two separators in a row.
    EXPECT_EQ(userIniPathFor(test::nativePath(u"/a/t.exe"), test::nativePath(u"/data"), u"???", u"C"), test::nativePath(u"/data//C/t.ini"));
    // No application-data folder: the path starts at the root.
    EXPECT_EQ(userIniPathFor(test::nativePath(u"/a/t.exe"), u"", u"P", u"C"), test::nativePath(u"/P/C/t.ini"));
}

TEST(ConfigPaths, BuildUserIniPathCreatesBothFoldersOnlyWhenAsked) {
    test::TempFolder appData;
    test::EnvironmentOverride appDataVariable(kWindows ? u"APPDATA" : u"XDG_CONFIG_HOME", appData.text());
    std::u16string program = test::nativePath(u"/apps/tool.exe");

    std::u16string path = buildUserIniPath(program, u"Viewer", u"CODE", false);
    EXPECT_EQ(path, appData.text() + test::nativePath(u"/Viewer/CODE/tool.ini"));
    EXPECT_FALSE(std::filesystem::exists(appData.path() / "Viewer"));

    EXPECT_EQ(buildUserIniPath(program, u"Viewer", u"CODE", true), path);
    EXPECT_TRUE(std::filesystem::is_directory(appData.path() / "Viewer" / "CODE"));
    // Existing folders are no failure.
    EXPECT_EQ(buildUserIniPath(program, u"Viewer", u"CODE", true), path);
}

} // namespace
} // namespace launcher
