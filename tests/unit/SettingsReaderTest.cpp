// Reading the whole configuration of a launch from its INI files.

#include "config/SettingsReader.h"
#include "config/ConfigPaths.h"
#include "config/IniFile.h"
#include "config/RuntimeChoiceWriter.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "FeedFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

const char16_t* appDataVariable() { return kWindows ? u"APPDATA" : u"XDG_CONFIG_HOME"; }

class SettingsReaderTest : public ::testing::Test {
protected:
    test::TempFolder app;
    test::TempFolder appData;
    test::EnvironmentOverride appDataOverride{appDataVariable(), appData.text()};
    test::MessageRecorder messages;
    std::u16string module = app.text(kWindows ? u"tool.exe" : u"tool");
    std::u16string ini = app.text(u"tool.ini");

    void writeIni(std::string_view text) { test::writeBytes(test::toPath(ini), text); }
    // UTF-16 with its mark carries any text on both targets (Windows reads a
    // file without one in the system's ANSI code page).
    void writeIniUtf16(std::u16string_view text) {
        std::string bytes = "\xFF\xFE";
        for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        writeIni(bytes);
    }
    std::filesystem::path userIni(std::string_view product = "Viewer", std::string_view code = "CODE") {
        return appData.path() / product / code / "tool.ini";
    }
    bool read(LaunchSettings& settings) { return readLaunchSettings(ini, module, nullptr, settings); }
};

TEST_F(SettingsReaderTest, ReadsEveryKey) {
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\nUpgrade Code=UP\r\n"
             "[Java Runtime Environment]\r\nMinimum Version=1.8\r\nMaximum Version=17\r\n"
             "Preferred versions=1.8;11;\r\nJRE Path=jre\r\nJVM Type=server\r\nJVM Source=only_JDK\r\n"
             "VM Provider=ibm\r\nMain Class=com.example.Main\r\nSystem Path=sys\r\nLibrary Path=lib\r\n"
             "[Application]\r\nApplication Type=desktop\r\nFailure Check=YES\r\nOverride WorkingDir=yes\r\n"
             "Pair Product=pair.exe\r\nPair Return Code=Yes\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(s.productName, u"Viewer");
    EXPECT_EQ(s.productCode, u"CODE");
    EXPECT_EQ(s.upgradeCode, u"UP");
    EXPECT_EQ(s.runtime.minimumVersion.parts[1], 8);
    EXPECT_EQ(s.runtime.maximumVersion.parts[0], 17);
    EXPECT_EQ(s.runtime.maximumVersion.parts[1], 65535);
    EXPECT_EQ(s.runtime.preferredVersions, (TextList{u"1.8", u"11"}));
    EXPECT_EQ(s.jrePath, app.text(u"jre"));
    EXPECT_EQ(s.runtime.jvmType, JvmTypeCode::Server);
    EXPECT_FALSE(s.runtime.favourKinds);
    EXPECT_TRUE(s.runtime.jdkKind);
    EXPECT_FALSE(s.runtime.jreKind);
    EXPECT_EQ(s.runtime.vendors, (VendorFlags{false, false, false, false, true, true}));
    EXPECT_EQ(s.mainClass, u"com/example/Main");
    EXPECT_EQ(s.systemPath, u"sys");
    EXPECT_EQ(s.libraryPath, u"lib");
    EXPECT_FALSE(s.serviceMode);
    EXPECT_TRUE(s.failureCheck);
    EXPECT_TRUE(s.overrideWorkingDirectory);
    EXPECT_EQ(s.pairProduct, app.text(u"pair.exe")) << "a bare name is beside the launcher";
    EXPECT_TRUE(s.waitForPair);
}

TEST_F(SettingsReaderTest, DefaultsOfAnAlmostEmptyFile) {
    writeIni("[Java Runtime Environment]\r\nMain Class=Main\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_TRUE(isUnsetVersion(s.runtime.minimumVersion));
    EXPECT_TRUE(isUnsetVersion(s.runtime.maximumVersion));
    EXPECT_EQ(s.runtime.maximumVersion.parts[0], 65535);
    EXPECT_TRUE(s.runtime.preferredVersions.empty());
    EXPECT_EQ(s.jrePath, u"");
    EXPECT_EQ(s.runtime.jvmType, JvmTypeCode::Any);
    EXPECT_TRUE(s.runtime.favourKinds && s.runtime.jdkKind && s.runtime.jreKind);
    EXPECT_EQ(s.runtime.vendors, VendorFlags{});
    EXPECT_FALSE(s.failureCheck || s.waitForPair || s.serviceMode || s.overrideWorkingDirectory);
    EXPECT_EQ(s.appUserModelId, u"");
}

// The taskbar identity as Windows takes it: at most 128 characters, no
// spaces; any other value stops the launch with a message naming it.
TEST_F(SettingsReaderTest, AppUserModelIdByWindowsRules) {
    struct Row {
        std::string value;
        bool taken;
    };
    for (const Row& row : std::vector<Row>{{"ACME.Viewer", true},
                                           {" ACME.Viewer.2 ", true}, // blanks around a value are the INI's, not the value's
                                           {std::string(128, 'A'), true},
                                           {"Soci\xC3\xA9t\xC3\xA9.\xD0\x92\xD0\xB8\xD0\xB4", true},
                                           {std::string(129, 'A'), false},
                                           {"ACME Viewer", false},
                                           {"ACME\tViewer", false},
                                           {"ACME\xC2\xA0Viewer", false},    // a no-break space
                                           {"ACME\xE3\x80\x80Viewer", false}}) { // an ideographic space
        writeIniUtf16(u"[Java Runtime Environment]\r\nMain Class=Main\r\n[Application]\r\nApp User Model ID=" + fromUtf8(row.value) +
                      u"\r\n");
        LaunchSettings s;
        size_t shown = messages.messages().size();
        EXPECT_EQ(read(s), row.taken) << row.value;
        std::u16string value = fromUtf8(row.value);
        value = value.substr(value.find_first_not_of(u' '), value.find_last_not_of(u' ') - value.find_first_not_of(u' ') + 1);
        if (row.taken) {
            EXPECT_EQ(s.appUserModelId, value);
            EXPECT_EQ(messages.messages().size(), shown);
        } else {
            ASSERT_EQ(messages.messages().size(), shown + 1) << row.value;
            EXPECT_EQ(messages.messages().back(), u"App User Model ID: " + value +
                                                      u" is not an identity Windows accepts: it has 1 to 128 characters and no spaces.");
        }
    }
}

TEST_F(SettingsReaderTest, MissingMainClassStopsBeforeTheApplicationKeys) {
    static const char binary[] = "\x01\x02\xff binary \x00 garbage";
    for (std::string_view text : {std::string_view("[Application]\r\nPair Product=pair.exe\r\nFailure Check=Yes\r\n"),
                                  std::string_view(binary, sizeof binary - 1), std::string_view("")}) {
        writeIni(text);
        LaunchSettings s;
        EXPECT_FALSE(read(s));
        EXPECT_EQ(s.pairProduct, u"");
        EXPECT_FALSE(s.failureCheck);
    }
    ASSERT_EQ(messages.messages().size(), 3u);
    EXPECT_EQ(messages.messages()[0], u"Main class was not specified in INI file.");
}

TEST_F(SettingsReaderTest, MissingFileIsAMissingMainClass) {
    LaunchSettings s;
    EXPECT_FALSE(read(s));
    ASSERT_EQ(messages.messages().size(), 1u);
}

TEST_F(SettingsReaderTest, PlusSectionExtendsAValue) {
    writeIni("[Java Runtime Environment]\r\nMain Class=Main\r\nSystem Path=\r\n"
             "[Java Runtime Environment+]\r\nSystem Path=extra\r\nLibrary Path= spaced\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_EQ(s.systemPath, u" extra");
}

TEST_F(SettingsReaderTest, UserIniAloneDecidesTheJrePath) {
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
             "[Java Runtime Environment]\r\nMain Class=Main\r\nJRE Path=bundled\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_EQ(s.jrePath, app.text(u"bundled"));

    // An existing per-user file without the key hides the launcher's value.
    test::writeBytes(userIni(), "[Java Runtime Environment]\r\nOther=1\r\n");
    LaunchSettings empty;
    ASSERT_TRUE(read(empty));
    EXPECT_EQ(empty.jrePath, u"");

    std::u16string chosen = kWindows ? u"C:\\Java\\jre17\\" : u"/usr/lib/jvm/java-17/";
    test::writeBytes(userIni(), "[Java Runtime Environment]\r\nJRE Path=" + toUtf8(chosen) + "\r\n");
    LaunchSettings user;
    ASSERT_TRUE(read(user));
    EXPECT_EQ(user.jrePath, chosen);
}

TEST_F(SettingsReaderTest, ServiceReadsTheJrePathFromTheLauncherIni) {
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
             "[Java Runtime Environment]\r\nMain Class=Main\r\nJRE Path=bundled\r\n"
             "[Application]\r\nApplication Type=service\r\n");
    test::writeBytes(userIni(), "[Java Runtime Environment]\r\nJRE Path=elsewhere\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_TRUE(s.serviceMode);
    EXPECT_EQ(s.jrePath, app.text(u"bundled"));
}

TEST_F(SettingsReaderTest, RuntimeChoiceGoesToTheUserAndPairUserIni) {
    LaunchSettings s;
    s.productName = u"Viewer";
    s.productCode = u"CODE";
    s.pairProduct = app.text(kWindows ? u"tool32.exe" : u"tool32");
    std::u16string folder = kWindows ? u"C:\\Java\\jre\\" : u"/opt/jre/";
    writeRuntimeChoice(s, module, ini, folder);

    EXPECT_EQ(IniFile(userIni().u16string()).read(u"Java Runtime Environment", u"JRE Path"), folder);
    auto pairIni = appData.path() / "Viewer" / "CODE" / "tool32.ini";
    EXPECT_EQ(IniFile(pairIni.u16string()).read(u"Java Runtime Environment", u"JRE Path"), folder);
    EXPECT_FALSE(std::filesystem::exists(test::toPath(ini)));

    // What was written is what the next start reads.
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
             "[Java Runtime Environment]\r\nMain Class=Main\r\n");
    LaunchSettings next;
    ASSERT_TRUE(read(next));
    EXPECT_EQ(next.jrePath, folder);
}

TEST_F(SettingsReaderTest, NonAsciiChoiceInANonAsciiSettingsFolderReadsBack) {
    const std::u16string settingsFolder = appData.text(u"\u00dcn\u00efc\u00f8d\u00e9 \u65e5\u672c\u8a9e");
    std::filesystem::create_directories(test::toPath(settingsFolder));
    test::EnvironmentOverride nonAscii{appDataVariable(), settingsFolder};
    LaunchSettings s;
    s.productName = u"Vi\u00e9wer \u65e5\u672c";
    s.productCode = u"CODE";
    const std::u16string folder = kWindows ? u"C:\\J\u00e4v\u00e4 \u65e5\u672c\u8a9e\\jre\\"
                                           : u"/opt/j\u00e4v\u00e4 \u65e5\u672c\u8a9e/jre/";
    writeRuntimeChoice(s, module, ini, folder);
    // The vendor's file names the product; UTF-16 carries it on both targets.
    std::u16string text = u"[Product Information]\r\nProduct Name=" + s.productName +
                          u"\r\nProduct Code=CODE\r\n[Java Runtime Environment]\r\nMain Class=Main\r\n";
    writeIniUtf16(text);
    LaunchSettings next;
    ASSERT_TRUE(read(next));
    EXPECT_EQ(next.productName, s.productName);
    EXPECT_EQ(next.jrePath, folder);
}

// Windows cannot keep the choice under a per-user path beyond its limit: it
// writes nothing there, and the launcher's own value still counts.
TEST_F(SettingsReaderTest, ChoiceUnderAnOverlongSettingsFolder) {
    std::filesystem::path deep = appData.path();
    while (deep.u16string().size() < 270) deep /= "deeper-folder";
    // Windows makes a folder this deep only through the long-path form.
    std::filesystem::create_directories(kWindows ? std::filesystem::path(u"\\\\?\\" + deep.u16string()) : deep);
    test::EnvironmentOverride longFolder{appDataVariable(), deep.u16string()};
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
             "[Java Runtime Environment]\r\nMain Class=Main\r\nJRE Path=bundled\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    const std::u16string folder = kWindows ? u"C:\\Java\\jre\\" : u"/opt/jre/";
    writeRuntimeChoice(s, module, ini, folder);
    LaunchSettings next;
    ASSERT_TRUE(read(next));
    EXPECT_EQ(next.jrePath, kWindows ? app.text(u"bundled") : folder);
}

TEST_F(SettingsReaderTest, IniPathBeyondWhatTheProfileFunctionsOpenIsReported) {
    std::filesystem::path deep = app.path();
    while (deep.u16string().size() < 300) deep /= "deeper-folder";
    const std::u16string longIni = (deep / "tool.ini").u16string();
    LaunchSettings s;
    if (kWindows) {
        // Never opened: the message names the real reason.
        EXPECT_FALSE(readLaunchSettings(longIni, module, nullptr, s));
        EXPECT_EQ(messages.messages(),
                  (std::vector<std::u16string>{u"The INI file cannot be read because its path is longer than 259 "
                                               u"characters: " + longIni}));
        return;
    }
    test::writeBytes(deep / "tool.ini", "[Java Runtime Environment]\nMain Class=Main\n");
    EXPECT_TRUE(readLaunchSettings(longIni, module, nullptr, s));
    EXPECT_EQ(s.mainClass, u"Main");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SettingsReaderTest, ServiceRuntimeChoiceGoesBesideTheExecutables) {
    LaunchSettings s;
    s.serviceMode = true;
    s.productName = u"Viewer";
    s.productCode = u"CODE";
    s.pairProduct = app.text(kWindows ? u"tool32.exe" : u"tool32");
    std::u16string folder = kWindows ? u"C:\\Java\\jre\\" : u"/opt/jre/";
    writeIni("[Java Runtime Environment]\r\nMain Class=Main\r\n");
    writeRuntimeChoice(s, module, ini, folder);

    EXPECT_EQ(IniFile(ini).read(u"Java Runtime Environment", u"JRE Path"), folder);
    EXPECT_EQ(IniFile(ini).read(u"Java Runtime Environment", u"Main Class"), u"Main");
    EXPECT_EQ(IniFile(app.text(u"tool32.ini")).read(u"Java Runtime Environment", u"JRE Path"), folder);
    EXPECT_FALSE(std::filesystem::exists(userIni()));
}

TEST_F(SettingsReaderTest, PinnedRuntimeComesFromTheLauncherIniOnly) {
    const std::string sum(64, 'A');
    const std::string jre = "[Java Runtime Environment]\r\nMain Class=Main\r\n";
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n" + jre +
             "Runtime Download URL=https://example.com/jre.zip\r\nRuntime Download SHA-256=" + sum +
             "\r\nRuntime Download Size=1024\r\nRuntime Download=Automatic\r\n");
    // The user's own file names another download: it is not read for these keys.
    test::writeBytes(userIni(), "[Java Runtime Environment]\r\nRuntime Download URL=https://evil.example/x.zip\r\n"
                                "Runtime Download SHA-256=" + std::string(64, 'b') + "\r\nRuntime Download=Ask\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_EQ(s.runtimeDownload.url, u"https://example.com/jre.zip");
    EXPECT_EQ(s.runtimeDownload.sha256, std::u16string(64, u'a'));
    EXPECT_EQ(s.runtimeDownload.size, 1024u);
    EXPECT_TRUE(s.runtimeDownload.automatic);

    // Only in the user's file: no pinned runtime at all.
    writeIni("[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n" + jre);
    LaunchSettings unset;
    ASSERT_TRUE(read(unset));
    EXPECT_FALSE(unset.runtimeDownload.configured());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SettingsReaderTest, PinnedRuntimeErrorsStopWithTheirOwnMessage) {
    struct Row {
        std::string keys;
        std::u16string message;
    } rows[] = {
        {"Product Name=V\r\n[Java Runtime Environment]\r\nRuntime Download URL=https://h/j.zip\r\n",
         u"Runtime Download URL: https://h/j.zip is set without a Runtime Download SHA-256; a runtime that cannot be "
         u"checked is never installed."},
        {"Product Name=V\r\n[Java Runtime Environment]\r\nRuntime Download URL=https://h/j.zip\r\n"
         "Runtime Download SHA-256=12ab\r\n",
         u"Runtime Download SHA-256: 12ab is not 64 hexadecimal digits."},
        {"Product Name=V\r\n[Java Runtime Environment]\r\nRuntime Download URL=file:///j.zip\r\n",
         u"Runtime Download URL: file:///j.zip is not an http or https address."},
        {"Product Name=V\r\n[Java Runtime Environment]\r\nRuntime Download URL=http://h/j.zip\r\n"
         "Runtime Download SHA-256=" + std::string(64, '0') + "\r\n",
         u"Runtime Download URL: http://h/j.zip is a plain http address; a runtime is downloaded over https only "
         u"(plain http only from the loopback address 127.0.0.1 or [::1])."},
        {"Product Name=V\r\n[Java Runtime Environment]\r\nRuntime Download URL=https://h/j.zip\r\n"
         "Runtime Download SHA-256=" + std::string(64, '0') + "\r\nRuntime Download Size=40 MB\r\n",
         u"Runtime Download Size: 40 MB is not a whole number of bytes greater than 0."},
        {"[Java Runtime Environment]\r\nRuntime Download URL=https://h/j.zip\r\n"
         "Runtime Download SHA-256=" + std::string(64, '0') + "\r\n",
         u"Runtime Download URL: https://h/j.zip is set, but the Product Name is empty or holds no character a folder "
         u"name can use, so the runtime would have no folder to be installed in."},
    };
    size_t shown = 0;
    for (const Row& row : rows) {
        writeIni("[Product Information]\r\n" + row.keys + "Main Class=Main\r\n");
        LaunchSettings s;
        EXPECT_FALSE(read(s)) << toUtf8(row.message);
        ASSERT_EQ(messages.messages().size(), ++shown);
        EXPECT_EQ(messages.messages().back(), row.message);
    }
}

// The feed, like the pin, is the vendor's: the user's own file names
// another feed and key, and neither is read. A value the launcher cannot use
// leaves the start going without a feed, traced but not shown.
TEST_F(SettingsReaderTest, RuntimeFeedComesFromTheLauncherIniOnly) {
    const std::string head = "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=CODE\r\n"
                             "[Java Runtime Environment]\r\nMain Class=Main\r\nRuntime Download URL=https://example.com/"
                             "jre.zip\r\nRuntime Download SHA-256=" + std::string(64, 'a') + "\r\n";
    const std::string key = toUtf8(test::kRightKey);
    writeIni(head + "Runtime Feed URL=https://example.com/feed.ini\r\nRuntime Feed Key=" + key +
             "\r\nRuntime Feed Interval=6\r\n");
    test::writeBytes(userIni(), "[Java Runtime Environment]\r\nRuntime Feed URL=https://evil.example/feed.ini\r\n"
                                "Runtime Feed Key=" + toUtf8(test::kWrongKey) + "\r\nRuntime Feed Interval=0\r\n");
    LaunchSettings s;
    ASSERT_TRUE(read(s));
    EXPECT_EQ(s.runtimeFeed.url, u"https://example.com/feed.ini");
    EXPECT_EQ(s.runtimeFeed.publicKey, test::fixtureBytes(test::kRightKey));
    EXPECT_EQ(s.runtimeFeed.intervalHours, 6u);

    writeIni(head);
    LaunchSettings unset;
    ASSERT_TRUE(read(unset));
    EXPECT_FALSE(unset.runtimeFeed.configured());

    writeIni(head + "Runtime Feed URL=https://example.com/feed.ini\r\nRuntime Feed Key=" + key +
             "\r\nRuntime Feed Interval=1.5\r\n");
    const std::filesystem::path traceFile = app.path() / "trace.log";
    LaunchSettings refused;
    {
        test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", traceFile.u16string());
        trace::enableFromEnvironment();
        EXPECT_TRUE(read(refused));
        trace::disable();
    }
    EXPECT_FALSE(refused.runtimeFeed.configured());
    EXPECT_TRUE(refused.runtimeDownload.configured());
    EXPECT_NE(test::readBytes(traceFile).find("runtime feed: not followed: \"Runtime Feed Interval\" 1.5"), std::string::npos)
        << test::readBytes(traceFile);
    EXPECT_TRUE(messages.messages().empty());
}

} // namespace
} // namespace launcher
