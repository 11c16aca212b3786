// Packages built with wixl from the WiX text, read back table by table with
// msiinfo: the rows that upgrades, the remembered folder, file types and the
// WiX toolset's validation of per-user packages rely on.

#include "InstallTarget.h"
#include "InstallerBuild.h"
#include "PackageBuild.h"
#include "PackageTables.h"
#include "ToolProcess.h"
#include "WixSource.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace launcher::pack {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

class InstallerTables : public testing::Test {
protected:
    void SetUp() override {
        wixl_ = findTool("wixl").value_or("");
        msiinfo_ = findTool("msiinfo").value_or("");
        msibuild_ = findTool("msibuild").value_or("");
        if (wixl_.empty() || msiinfo_.empty() || msibuild_.empty()) {
            GTEST_SKIP() << "needs wixl, msiinfo and msibuild (msitools), which scripts/setup installs";
        }
    }

    // The package of files that exist, as wixl needs them.
    InstallerPackage package(InstallScope scope, const std::string& version = "1.2.3") {
        InstallerPackage result;
        result.name = "Viewer";
        result.vendor = "ACME, Inc.";
        result.version = version;
        result.upgradeCode = "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}";
        result.scope = scope;
        result.desktopShortcut = true;
        result.associations = {{"vwr", "Drawing"}};
        result.executable = "Viewer.exe";
        for (const std::string file : {"Viewer.exe", "Viewer.ini", "lib/a.jar", "jre64/bin/server/jvm.dll"}) add(result, file);
        return result;
    }
    void add(InstallerPackage& package, const std::string& file) {
        launcher::test::writeBytes(folder_.path() / pathFromUtf8(file), file);
        package.files.push_back({file, file});
    }

    // As launcher-pack builds it: wixl, then the tables and conditions it cannot write.
    void build(const InstallerPackage& package) {
        buildPackage({wixl_, msibuild_, msiinfo_}, package, folder_.path(), folder_.path() / "p.msi");
    }

    // A table's rows, each a list of its columns.
    Rows table(const std::string& name) {
        ToolRun run = runTool(msiinfo_, {"export", (folder_.path() / "p.msi").string(), name});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        Rows rows;
        std::istringstream lines(run.output);
        int header = 3;
        for (std::string line; std::getline(lines, line);) {
            if (header-- > 0) continue;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::vector<std::string> columns;
            std::istringstream cells(line);
            for (std::string cell; std::getline(cells, cell, '\t');) columns.push_back(cell);
            if (line.ends_with('\t')) columns.push_back("");
            rows.push_back(columns);
        }
        return rows;
    }

    // The database's code page, as its table of its own reads back ("N\t_ForceCodepage").
    int codePage() {
        std::string text = runTool(msiinfo_, {"export", (folder_.path() / "p.msi").string(), "_ForceCodepage"}).output;
        size_t end = text.find("\t_ForceCodepage");
        size_t begin = text.find_last_not_of("0123456789", end - 1) + 1;
        return end == std::string::npos ? -1 : std::stoi(text.substr(begin, end - begin));
    }

    // The first row whose column holds value, or an empty row.
    std::vector<std::string> row(const std::string& name, size_t column, const std::string& value) {
        for (const auto& found : table(name)) {
            if (found.size() > column && found[column] == value) return found;
        }
        return {};
    }

    launcher::test::TempFolder folder_;
    fs::path wixl_, msiinfo_, msibuild_;
};

// Every earlier build and a rebuild of the same version are replaced; the
// range ends where later versions, which are refused, begin.
TEST_F(InstallerTables, UpgradeRows) {
    struct Case {
        std::string version;
        Rows upgrade; // VersionMin, VersionMax, Attributes, ActionProperty
    };
    for (const Case& c : std::vector<Case>{
             {"1.2.3", {{"0.0.0", "1.2.4", "256", "WIX_UPGRADE_DETECTED"}, {"1.2.4", "", "258", "WIX_DOWNGRADE_DETECTED"}}},
             {"1.2.65535", {{"0.0.0", "1.3.0", "256", "WIX_UPGRADE_DETECTED"}, {"1.3.0", "", "258", "WIX_DOWNGRADE_DETECTED"}}},
             {"255.255.65535", {{"0.0.0", "", "256", "WIX_UPGRADE_DETECTED"}}}}) {
        build(package(InstallScope::Machine, c.version));
        Rows upgrade;
        for (const auto& found : table("Upgrade")) {
            ASSERT_EQ(found.size(), 7u);
            EXPECT_EQ(found[0], "{8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}");
            upgrade.push_back({found[1], found[2], found[4], found[6]});
        }
        std::sort(upgrade.begin(), upgrade.end());
        EXPECT_EQ(upgrade, c.upgrade) << c.version;
        EXPECT_EQ(row("LaunchCondition", 0, "NOT WIX_DOWNGRADE_DETECTED").at(1), "A newer version of [ProductName] is already installed.");
        std::map<std::string, int> sequence;
        for (const auto& found : table("InstallExecuteSequence")) sequence[found[0]] = std::stoi(found.at(2));
        EXPECT_LT(sequence["FindRelatedProducts"], sequence["LaunchConditions"]);
        EXPECT_EQ(sequence["RemoveExistingProducts"], sequence["InstallValidate"] + 1);
    }
}

TEST_F(InstallerTables, RowsOfBothScopes) {
    for (InstallScope scope : {InstallScope::User, InstallScope::Machine}) {
        const bool user = scope == InstallScope::User;
        const std::string root = user ? "1" : "2";
        SCOPED_TRACE(user ? "user" : "machine");
        build(package(scope));
        // Per user, every component is keyed by an HKCU registry value
        // (attribute 4), files too; per machine, each file keys its own.
        std::set<std::string> byFile;
        for (const auto& component : table("Component")) {
            if (row("File", 0, component.at(5)).size() > 0) byFile.insert(component[0]);
            EXPECT_EQ(byFile.count(component[0]) > 0, !user && component[0].starts_with("f_")) << component[0];
            EXPECT_EQ(component.at(3), byFile.count(component[0]) ? "256" : "260") << component[0];
        }
        // Registry values, shortcuts and file types live in components of
        // their own; the shortcuts' are keyed under HKCU in both scopes, as
        // the WiX toolset's validation wants (ICE43, ICE57).
        for (const auto& value : table("Registry")) {
            EXPECT_EQ(value.at(1), value.at(5).ends_with("Shortcuts") ? "1" : root) << value.at(2);
            EXPECT_EQ(byFile.count(value.at(5)), 0u) << value.at(2);
        }
        // Each shortcut takes its icon from the installed executable: none
        // from the Icon table, whose files are named after the product code.
        Rows shortcuts = table("Shortcut");
        ASSERT_EQ(shortcuts.size(), 2u);
        for (const auto& shortcut : shortcuts) {
            const std::string component = shortcut[0] == "StartMenuShortcut" ? "Shortcuts" : "DesktopShortcuts";
            EXPECT_EQ(shortcut.at(3), component);
            EXPECT_EQ(shortcut.at(8), "") << shortcut[0] << ": Icon_";
            EXPECT_EQ(shortcut.at(9), "") << shortcut[0] << ": IconIndex";
            EXPECT_EQ(row("Registry", 0, row("Component", 0, component).at(5)).at(1), "1") << component;
        }
        // Each folder in the profile is removed (with the files' components
        // or with one of its own when it holds only folders); per machine,
        // the vendor folder, which holds only a folder.
        std::vector<std::string> removed;
        for (const auto& removal : table("RemoveFile")) removed.push_back(removal.at(3));
        for (const auto& directory : table("Directory")) {
            const std::string& id = directory.at(0);
            bool system = id == "TARGETDIR" || (id.ends_with("Folder") && id != "ProgramsFolder" && id != "VendorFolder");
            bool expected = user ? !system : id == "VendorFolder";
            EXPECT_EQ(std::count(removed.begin(), removed.end(), id), expected ? 1 : 0) << id;
        }
        EXPECT_EQ(row("Property", 0, "ARPNOMODIFY").at(1), "1");
        // The folder is remembered for the next version and read back into
        // a property of its own, which takes the place of INSTALLDIR only
        // when the command line gave none, before costing sets it.
        EXPECT_EQ(row("AppSearch", 0, "REMEMBERED_INSTALLDIR").at(1), "RememberedInstallFolder");
        EXPECT_EQ(row("RegLocator", 0, "RememberedInstallFolder"),
                  (std::vector<std::string>{"RememberedInstallFolder", root, "Software\\ACME, Inc.\\Viewer", "InstallFolder", "18"}));
        EXPECT_EQ(row("CustomAction", 0, "UseRememberedInstallFolder"),
                  (std::vector<std::string>{"UseRememberedInstallFolder", "51", "INSTALLDIR", "[REMEMBERED_INSTALLDIR]", ""}));
        for (const char* name : {"InstallUISequence", "InstallExecuteSequence"}) {
            std::map<std::string, std::vector<std::string>> steps;
            for (const auto& found : table(name)) steps[found[0]] = found;
            ASSERT_EQ(steps["UseRememberedInstallFolder"].size(), 3u) << name;
            EXPECT_EQ(steps["UseRememberedInstallFolder"][1], "REMEMBERED_INSTALLDIR AND NOT INSTALLDIR") << name;
            int at = std::stoi(steps["UseRememberedInstallFolder"][2]);
            EXPECT_GT(at, std::stoi(steps["AppSearch"].at(2))) << name;
            EXPECT_LT(at, std::stoi(steps["CostFinalize"].at(2))) << name;
        }
        // The Add/Remove Programs entry's folder, set once costing knows it.
        EXPECT_EQ(row("CustomAction", 0, "SetInstallLocation"),
                  (std::vector<std::string>{"SetInstallLocation", "51", "ARPINSTALLLOCATION", "[INSTALLDIR]", ""}));
        std::map<std::string, int> sequence;
        for (const auto& found : table("InstallExecuteSequence")) sequence[found[0]] = std::stoi(found.at(2));
        EXPECT_GT(sequence["SetInstallLocation"], sequence["CostFinalize"]);
        EXPECT_LT(sequence["SetInstallLocation"], sequence["InstallValidate"]);
        EXPECT_LT(sequence["AppSearch"], sequence["CostFinalize"]);
    }
}

// The package's platform follows the launcher: an x86 package's summary
// names Intel, its files go to the 32-bit Program Files folder, and its
// components and search use the 32-bit registry view.
TEST_F(InstallerTables, PlatformRows) {
    const struct {
        InstallerPlatform platform;
        const char* summary;
        const char* programFiles;
        const char* searchType; // raw (2), plus 16 for the 64-bit view
        bool win64;
    } cases[] = {{InstallerPlatform::X64, "Template: x64;1033\n", "ProgramFiles64Folder", "18", true},
                 {InstallerPlatform::X86, "Template: Intel;1033\n", "ProgramFilesFolder", "2", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        InstallerPackage machine = package(InstallScope::Machine);
        machine.platform = c.platform;
        build(machine);
        EXPECT_NE(runTool(msiinfo_, {"suminfo", (folder_.path() / "p.msi").string()}).output.find(c.summary), std::string::npos);
        EXPECT_EQ(row("Directory", 0, "VendorFolder").at(1), c.programFiles);
        EXPECT_EQ(row("RegLocator", 0, "RememberedInstallFolder").at(4), c.searchType);
        Rows components = table("Component");
        ASSERT_GT(components.size(), 5u);
        for (const auto& component : components) EXPECT_EQ((std::stoi(component.at(3)) & 256) != 0, c.win64) << component[0];
    }
}

// Component conditions: what the administrator chooses at installation
// (DESKTOP_SHORTCUT=0, FILE_TYPES=0), and whether removing the product
// takes the extension's default (only while it names this product, read
// before anything changes). wixl's package gets them written afterwards;
// the WiX toolset's source carries the same as Condition elements.
TEST_F(InstallerTables, ComponentConditions) {
    for (InstallScope scope : {InstallScope::User, InstallScope::Machine}) {
        const std::string root = scope == InstallScope::User ? "1" : "2";
        SCOPED_TRACE(root);
        InstallerPackage viewer = package(scope);
        build(viewer);
        std::map<std::string, std::string> conditions; // component -> condition
        std::string fileType, extensionDefault;
        for (const auto& component : table("Component")) {
            if (!component.at(4).empty()) conditions[component[0]] = component[4];
            if (component[0].starts_with("a_vwr_")) fileType = component[0];
            if (component[0].starts_with("x_vwr_")) extensionDefault = component[0];
        }
        ASSERT_NE(extensionDefault, "");
        std::vector<std::string> search;
        for (const auto& found : table("AppSearch")) {
            if (found.at(0).starts_with("EXTENSIONDEFAULT_VWR_")) search = found;
        }
        ASSERT_EQ(search.size(), 2u);
        EXPECT_EQ(row("RegLocator", 0, search.at(1)),
                  (std::vector<std::string>{search[1], root, "Software\\Classes\\.vwr", "", "18"}));
        const std::string progId = progIdFor(viewer.vendor, viewer.name, "vwr");
        EXPECT_EQ(conditions, (std::map<std::string, std::string>{
                                  {"DesktopShortcuts", "DESKTOP_SHORTCUT <> \"0\" OR Installed"},
                                  {fileType, "FILE_TYPES <> \"0\" OR Installed"},
                                  {extensionDefault, "(NOT Installed AND FILE_TYPES <> \"0\") OR " + search[0] + " = \"" + progId + "\""}}));
        // The default is that component's one value, and its key path.
        const auto value = row("Registry", 0, row("Component", 0, extensionDefault).at(5));
        EXPECT_EQ(value, (std::vector<std::string>{value.at(0), root, "Software\\Classes\\.vwr", "", progId, extensionDefault}));
        for (const auto& other : table("Registry")) EXPECT_FALSE(other.at(5) == fileType && other.at(2) == value[2]);

        const std::string toolset = wixSource(viewer);
        for (const auto& [component, condition] : conditions) {
            EXPECT_TRUE(toolset.find("<Condition>" + xmlText(condition) + "</Condition>") != std::string::npos) << component;
        }
    }
    // The default's component is the product's own in each build: one left
    // behind by a removal never holds a later build's default in place.
    std::string first = row("Component", 5, row("Registry", 2, "Software\\Classes\\.vwr").at(0)).at(1);
    build(package(InstallScope::Machine));
    EXPECT_NE(row("Component", 5, row("Registry", 2, "Software\\Classes\\.vwr").at(0)).at(1), first);
}

// Names are stored in the package's code page, which the database and the
// summary name; the shortcuts carry the application's identity.
TEST_F(InstallerTables, CodePageAndShortcutIdentity) {
    const std::string society = "\xD0\x9E\xD0\xB1\xD1\x89\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE"; // "Общество"
    const std::string viewer = "\xD0\x9F\xD1\x80\xD0\xBE\xD1\x81\xD0\xBC\xD0\xBE\xD1\x82\xD1\x80";  // "Просмотр"
    const std::string report = "lib/\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.jar";                        // "Отчёт"
    struct Case {
        int codePage;
        std::string vendor, name, file, summary; // summary: Subject and Author as the package stores them
    };
    for (const Case& c : {Case{1252, "Soci\xC3\xA9t\xC3\xA9", "Viewer", "lib/R\xC3\xA9sum\xC3\xA9.jar",
                               "Subject: Viewer\nAuthor: Soci\xE9t\xE9\n"},
                          Case{1251, society, viewer, report,
                               "Subject: \xCF\xF0\xEE\xF1\xEC\xEE\xF2\xF0\nAuthor: \xCE\xE1\xF9\xE5\xF1\xF2\xE2\xEE\n"}}) {
        SCOPED_TRACE(c.codePage);
        InstallerPackage sample = package(InstallScope::Machine);
        sample.codePage = c.codePage;
        sample.vendor = c.vendor;
        sample.name = c.name;
        sample.appId = "ACME.Viewer";
        add(sample, c.file);
        // Nothing lands in the current folder (msiinfo writes a table's
        // binary columns there).
        launcher::test::TempFolder current;
        fs::path before = fs::current_path();
        fs::current_path(current.path());
        build(sample);
        fs::current_path(before);
        EXPECT_TRUE(fs::is_empty(current.path()));
        EXPECT_EQ(codePage(), c.codePage);
        std::string summary = runTool(msiinfo_, {"suminfo", (folder_.path() / "p.msi").string()}).output;
        EXPECT_NE(summary.find(c.summary), std::string::npos) << summary;
        EXPECT_EQ(row("Directory", 0, "VendorFolder").at(2), c.vendor);
        EXPECT_EQ(row("Directory", 0, "INSTALLDIR").at(2), c.name);
        EXPECT_EQ(row("File", 2, c.file.substr(4)).size(), 8u) << c.file;
        EXPECT_EQ(row("Property", 0, "ProductName").at(1), c.name);
        EXPECT_EQ(row("Property", 0, "Manufacturer").at(1), c.vendor);
        EXPECT_EQ(row("Shortcut", 0, "StartMenuShortcut").at(2), c.name);
        EXPECT_EQ(row("RegLocator", 0, "RememberedInstallFolder").at(2), "Software\\" + c.vendor + "\\" + c.name);
        for (const auto& found : table("Shortcut")) {
            EXPECT_EQ(row("MsiShortcutProperty", 1, found.at(0)),
                      (std::vector<std::string>{found[0] == "DesktopShortcut" ? "DesktopAppId" : "StartMenuAppId", found[0],
                                                "{9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3} 5", "ACME.Viewer"}));
        }
    }
    // Text without a token: nothing is imported again, the code page is set all the same.
    build(package(InstallScope::User));
    EXPECT_EQ(codePage(), 1252);
    EXPECT_EQ(runTool(msiinfo_, {"tables", (folder_.path() / "p.msi").string()}).output.find("MsiShortcutProperty"), std::string::npos);
}

// What msiexec's command line may set reaches the elevated part of a
// per-machine installation only as a secure property.
TEST_F(InstallerTables, CommandLinePropertiesAreSecure) {
    InstallerPackage viewer = package(InstallScope::Machine);
    build(viewer);
    EXPECT_EQ(row("Property", 0, "SecureCustomProperties").at(1),
              "WIX_UPGRADE_DETECTED;WIX_DOWNGRADE_DETECTED;INSTALLDIR;DESKTOP_SHORTCUT;FILE_TYPES");
    std::string source = wixSource(viewer);
    for (const char* property : {"INSTALLDIR", "DESKTOP_SHORTCUT", "FILE_TYPES"}) {
        EXPECT_NE(source.find("<Property Id=\"" + std::string(property) + "\" Secure=\"yes\"/>"), std::string::npos) << property;
    }
}

// A failed build names its cause, not the warnings about attributes that
// the source carries for the WiX toolset.
TEST_F(InstallerTables, FailedBuildNamesItsCause) {
    InstallerPackage missing = package(InstallScope::Machine);
    fs::remove(folder_.path() / "lib/a.jar");
    try {
        buildMsi(wixl_, wixlForm(missing).text, folder_.path(), folder_.path() / "p.msi", InstallerPlatform::X64);
        ADD_FAILURE() << "a package without its file was built";
    } catch (const PackError& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("wixl failed (exit code 1)"), std::string::npos) << message;
        EXPECT_NE(message.find("a.jar"), std::string::npos) << message;
        EXPECT_EQ(message.find("Platform"), std::string::npos) << message;
    }
    EXPECT_FALSE(fs::exists(folder_.path() / "p.msi"));
}

} // namespace
} // namespace launcher::pack
