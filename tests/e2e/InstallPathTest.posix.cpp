// An application installed where paths are long and not ASCII, started with
// the machine's real Java runtime: the runtime beside it in jre64, class
// path, library path and output file deeper than any 260-character limit,
// and per-user settings under a non-ASCII folder.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "config/LaunchSettings.h"
#include "config/RuntimeChoiceWriter.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

const std::string kFolderName = "\xc3\x9cn\xc3\xaf" "c\xc3\xb8" "d\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"; // Ünïcødé 日本語

// Folders named kFolderName-1, -2, ... below base until the path holds at
// least length UTF-16 characters.
fs::path deepFolder(fs::path base, size_t length) {
    for (int i = 1; base.u16string().size() < length; ++i) base /= kFolderName + "-" + std::to_string(i);
    fs::create_directories(base);
    return base;
}

fs::path systemJavaHome() {
    for (const fs::directory_entry& entry : fs::directory_iterator("/usr/lib/jvm")) {
        if (!entry.is_symlink() && fs::exists(entry.path() / "lib/server/libjvm.so")) return entry.path();
    }
    return {};
}

std::string reportLine(const std::string& report, const std::string& key) {
    std::string text = "\n" + report;
    size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return "<missing>";
    size_t start = at + key.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

TEST(InstallPath, LongNonAsciiFoldersEverywhere) {
    test::TempFolder root;
    const fs::path install = deepFolder(root.path(), 230);
    const fs::path exe = install / "app";
    const fs::path build = test::buildFolder();
    fs::copy_file(build / "bin" / "launcher", exe);
    const fs::path javaHome = systemJavaHome();
    ASSERT_FALSE(javaHome.empty()) << "no runtime under /usr/lib/jvm";
    fs::create_directory_symlink(javaHome, install / "jre64");

    const fs::path classes = deepFolder(install / "lib", 300);
    fs::copy_file(build / "java" / "probe.jar", classes / "probe.jar");
    const fs::path native = deepFolder(install / "native", 300);
    const fs::path logs = deepFolder(install / "logs", 300);
    const fs::path config = deepFolder(root.path() / "C\xc3\xb8nf\xc3\xafg \xe8\xa8\xad\xe5\xae\x9a", 0);
    test::EnvironmentOverride configHome{u"XDG_CONFIG_HOME", config.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    test::writeBytes(install / "app.ini",
                     "[Product Information]\nProduct Name=Vi\xc3\xa9wer \xe6\x97\xa5\xe6\x9c\xac\nProduct Code=1.0\n"
                     "[Java Runtime Environment]\nMain Class=probe.Main\nLibrary Path=" + native.string() + "\n"
                     "[Class Path]\nClass Path=" + fs::relative(classes, install).string() + "/*.jar\n"
                     "[Application]\nOutput File=" + logs.string() + "/out_%yyyy%.log\n");

    // The runtime beside the application.
    test::ChildResult first = test::runChild(exe.string(), {"env"}, 120, root.path().string());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(std::distance(fs::directory_iterator(logs), fs::directory_iterator()), 1);
    const fs::path output = fs::directory_iterator(logs)->path();
    EXPECT_GT(output.u16string().size(), 300u);
    const std::string report = test::readBytes(output);
    EXPECT_EQ(reportLine(report, "QX_JVM_PATH"), (install / "jre64/lib/server/libjvm.so").string()) << report;
    EXPECT_EQ(reportLine(report, "java.class.path"), (classes / "probe.jar").string() + ":");
    EXPECT_NE(reportLine(report, "java.library.path").find(native.string()), std::string::npos) << report;

    // The user's runtime choice, written where the launcher writes it and
    // read at the next start.
    const fs::path chosen = install / ("J\xc3\xa4v\xc3\xa4 " + kFolderName);
    fs::create_directory_symlink(javaHome, chosen);
    LaunchSettings settings;
    settings.productName = u"Vi\u00e9wer \u65e5\u672c";
    settings.productCode = u"1.0";
    writeRuntimeChoice(settings, exe.u16string(), (install / "app.ini").u16string(), chosen.u16string() + u"/");
    EXPECT_TRUE(fs::exists(config / "Vi\xc3\xa9wer \xe6\x97\xa5\xe6\x9c\xac" / "1.0" / "app.ini"));
    test::ChildResult second = test::runChild(exe.string(), {"env"}, 120, root.path().string());
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(reportLine(test::readBytes(output), "QX_JVM_PATH"), (chosen / "lib/server/libjvm.so").string());
}

} // namespace
} // namespace launcher
