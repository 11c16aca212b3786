// The native library path, the new search path and the runtime variables:
// composed over a fixed table, then set in this process.

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/Platform.h"
#include "support/TestSupport.h"
#include "vmopts/LibraryPath.h"
#include "vmopts/StartupCache.h"
#include "vmopts/ProcessEnvironment.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// The platform's separators where the text has '|' (path) and ';' (list).
std::u16string p(std::u16string_view text) {
    std::u16string out(text);
    replaceAll(out, u'|', kPathSeparator);
    replaceAll(out, u';', kListSeparator);
    return out;
}

const std::u16string kJvm = p(u"C:|jre|bin|server|jvm.dll");

ExpandText expandWith(std::optional<std::u16string> searchPath) {
    return [searchPath](std::u16string_view text) {
        return expandReferences(text, [&](std::u16string_view name) -> std::optional<std::u16string> {
            if (name == kPathVariable) return searchPath ? std::optional(p(*searchPath)) : std::nullopt;
            return name == u"NATIVE" ? std::optional(p(u"C:|native")) : std::nullopt;
        });
    };
}

struct ComposeCase {
    const char16_t* setting;
    const char16_t* folder;
    std::optional<std::u16string> searchPath;
    std::u16string composed;
};

TEST(LibraryPathTest, ComposedInOrder) {
    const std::u16string unexpanded = std::u16string(u"%") + kPathVariable + u"%";
    const ComposeCase cases[] = {
        {u"C:|native", u"C:|app|", u"C:|Windows", u"C:|native;C:|app|;.;C:|Windows;C:|jre|lib"},
        {u"%NATIVE%;D:|x", u"C:|app|", u"C:|Windows;", u"C:|native;D:|x;C:|app|;.;C:|Windows;C:|jre|lib"},
        {u"%NOSUCHVAR%|x;", u"", u"C:|Windows", u"%NOSUCHVAR%|x;.;C:|Windows;C:|jre|lib"},
        // A percent sign in a setting or folder name pairs with nothing else.
        {u"C:|lib%1", u"C:|100%|app|", u"C:|Windows", u"C:|lib%1;C:|100%|app|;.;C:|Windows;C:|jre|lib"},
        {u"C:|native", u"C:|app|", std::nullopt, u"C:|native;C:|app|;.;" + unexpanded + u";C:|jre|lib"},
        {u"", u"C:|app|", u"C:|Windows", u""},
    };
    for (const ComposeCase& c : cases) {
        EXPECT_EQ(composeLibraryPath(p(c.setting), p(c.folder), kJvm, expandWith(c.searchPath)), p(c.composed))
            << toUtf8(c.setting);
    }
}

TEST(SearchPathTest, SettingThenSearchPathThenRuntimeBin) {
    const ComposeCase cases[] = {
        {u"C:|tools;", u"", u"C:|Windows", u"C:|tools;C:|Windows;C:|jre|bin"},
        {u"", u"", u"C:|Windows", u"C:|Windows;C:|jre|bin"},
        // No empty entry, which would stand for the working folder.
        {u"%NATIVE%", u"", u"", u"C:|native;C:|jre|bin"},
    };
    for (const ComposeCase& c : cases) {
        EXPECT_EQ(composeSearchPath(p(c.setting), kJvm, expandWith(c.searchPath)), p(c.composed)) << toUtf8(c.setting);
    }
}

// An absolute path on either platform: "C:\..." or "/...".
std::u16string a(std::u16string_view text) { return (kWindows ? u"C:" : u"") + p(text); }

struct SearchFoldersCase {
    const char* name;
    std::u16string jvmPath;
    const char16_t* librarySetting;
    const char16_t* systemSetting;
    std::u16string launcherFolder;
    TextList folders;
};

TEST(LibrarySearchFoldersTest, RuntimeFoldersThenTheSettingsFolders) {
    const ExpandText expand = [](std::u16string_view text) {
        return expandReferences(text, [](std::u16string_view name) -> std::optional<std::u16string> {
            if (name == u"NATIVE") return a(u"|native");
            if (name == u"TWO") return a(u"|one") + u";" + a(u"|two");
            return std::nullopt;
        });
    };
    const SearchFoldersCase cases[] = {
        {"runtime folders alone", a(u"|jre|bin|server|jvm.dll"), u"", u"", a(u"|app|"),
         {a(u"|jre|bin"), a(u"|jre|bin|server")}},
        {"settings expanded, relative entries in the installation, repeats and blanks left out",
         a(u"|jre|bin|server|jvm.dll"), u"%NATIVE%; lib|x ;;", u"tools;%NATIVE%;%TWO%", a(u"|app|"),
         {a(u"|jre|bin"), a(u"|jre|bin|server"), a(u"|native"), a(u"|app|lib|x"), a(u"|app|tools"), a(u"|one"),
          a(u"|two")}},
        {"the launcher's folder only when a setting names it", a(u"|jre|bin|server|jvm.dll"), u".", u"", a(u"|app|"),
         {a(u"|jre|bin"), a(u"|jre|bin|server"), a(u"|app|.")}},
        {"without the launcher's folder a relative entry would follow the current folder: left out",
         a(u"|jre|bin|server|jvm.dll"), u"lib;%NATIVE%", u".", u"", {a(u"|jre|bin"), a(u"|jre|bin|server"), a(u"|native")}},
        {"a runtime library without a folder adds none", u"jvm.dll", u"", u"%NATIVE%", a(u"|app|"), {a(u"|native")}},
    };
    for (const SearchFoldersCase& c : cases) {
        // Settings write their lists with ";" on every platform.
        auto setting = [](std::u16string_view text) {
            std::u16string out(text);
            replaceAll(out, u'|', kPathSeparator);
            return out;
        };
        EXPECT_EQ(librarySearchFolders(c.jvmPath, setting(c.librarySetting), setting(c.systemSetting), c.launcherFolder,
                                       expand),
                  c.folders)
            << c.name;
    }
}

TEST(LibraryPathOptionFoldersTest, EachFolderOfEachOptionOnce) {
    struct Case {
        const char* name;
        TextList options;
        std::u16string launcherFolder;
        TextList folders;
    } cases[] = {
        {"no such option", {u"-Xmx1g", u"-Djava.library.path.extra=" + a(u"|x")}, a(u"|app|"), {}},
        {"every entry, blanks trimmed, empty ones left out",
         {u"-Djava.library.path=" + a(u"|one") + p(u"; ;") + a(u"|two") + p(u";")}, a(u"|app|"),
         {a(u"|one"), a(u"|two")}},
        {"relative entries in the installation", {u"-Djava.library.path=" + p(u"lib|native")}, a(u"|app|"),
         {a(u"|app|lib|native")}},
        {"relative entries left out when the installation is unknown",
         {u"-Djava.library.path=" + p(u"lib;") + a(u"|x")}, u"", {a(u"|x")}},
        {"every option, repeats once", {u"-Djava.library.path=" + a(u"|x"), u"-Xss1m", u"-Djava.library.path=" + a(u"|y") + p(u";") + a(u"|x")},
         a(u"|app|"), {a(u"|x"), a(u"|y")}},
        {"the property name is compared as written", {u"-DJava.Library.Path=" + a(u"|x")}, a(u"|app|"), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(libraryPathOptionFolders(c.options, c.launcherFolder), c.folders) << c.name;
}

TEST(RuntimeFoldersTest, CutFromTheRuntimeLibrary) {
    // A cut without a separator keeps the text for the home and the bin
    // folder, and leaves nothing for the lib folder.
    EXPECT_EQ(runtimeHomeOf(p(u"server|jvm.dll")), p(u"server"));
    EXPECT_EQ(runtimeLibFolder(p(u"server|jvm.dll")), u"lib");
    EXPECT_EQ(runtimeBinFolder(p(u"server|jvm.dll")), kWindows ? p(u"server") : p(u"server|bin"));
    EXPECT_EQ(launcherFolderOf(u"run.exe"), u"");
}

TEST(RuntimeFoldersTest, Java8LayoutOfLinuxNamesTheMachine) {
    struct Case {
        const char16_t *library, *home, *lib;
    } cases[] = {
        {u"/j/lib/server/libjvm.so", u"/j", u"/j/lib"},
        {u"/j/lib/amd64/server/libjvm.so", u"/j", u"/j/lib/amd64"},
        {u"/j/jre/lib/amd64/server/libjvm.so", u"/j/jre", u"/j/jre/lib/amd64"},
        // A home named lib keeps the layout without a machine folder.
        {u"/opt/lib/lib/server/libjvm.so", u"/opt/lib", u"/opt/lib/lib"},
    };
    for (const Case& c : cases) {
        // Windows has one layout: three components below the home.
        if (kWindows) continue;
        const std::u16string library = c.library;
        EXPECT_EQ(runtimeHomeOf(library), c.home) << toUtf8(c.library);
        EXPECT_EQ(runtimeLibFolder(library), c.lib) << toUtf8(c.library);
        EXPECT_EQ(runtimeBinFolder(library), std::u16string(c.home) + u"/bin");
        EXPECT_EQ(runtimeHomeOfLibrary(library), std::u16string(c.home) + u"/");
    }
    EXPECT_EQ(runtimeLibraryDepth(p(u"|j|lib|amd64|server|jvm")), kWindows ? 3 : 4);
}

TEST(ProcessEnvironmentTest, VariablesSetBeforeTheLibraryPathAndSearchPathAfterIt) {
    test::EnvironmentOverride searchPath(kPathVariable, p(u"C:|Windows"));
    test::EnvironmentOverride jvmPath(u"QX_JVM_PATH", std::nullopt);
    test::EnvironmentOverride jvmHome(u"QX_JVM_HOME", std::nullopt);
    std::u16string libraryPath = prepareProcessEnvironment(
        {kJvm, p(u"%QX_JVM_HOME%|native;%Path%;"), p(u"C:|tools"), p(u"C:|app|run.exe")});
    EXPECT_EQ(libraryPath, p(u"C:|jre|native;C:|Windows;C:|app|;.;C:|Windows;C:|jre|lib"));
    EXPECT_EQ(libraryPathOption(libraryPath), u"-Djava.library.path=" + libraryPath);
    EXPECT_EQ(getEnvironmentVariable(u"QX_JVM_PATH"), kJvm);
    EXPECT_EQ(getEnvironmentVariable(u"QX_JVM_HOME"), p(u"C:|jre"));
    EXPECT_EQ(getEnvironmentVariable(kPathVariable), p(u"C:|tools;C:|Windows;C:|jre|bin"));
}

} // namespace
} // namespace launcher
