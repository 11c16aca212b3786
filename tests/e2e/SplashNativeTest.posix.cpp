// The Linux launcher hands a configured splash picture to the real runtime's
// native splash library before the VM starts: the Java program then finds
// java.awt.SplashScreen showing, centred at the picture's size. Needs an X
// display (scripts/test starts Xvfb).

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;

fs::path buildFolder() { return test::builtProgramFolder().parent_path(); }

class NativeSplash : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "app";
    fs::path image = folder.path() / "splash.png";
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        fs::copy_file(buildFolder() / "bin" / "launcher", exe);
        fs::create_directories(folder.path() / "lib");
        fs::copy_file(buildFolder() / "java" / "probe.jar", folder.path() / "lib" / "probe.jar");
        // Left half red, right half blue; the runtime's splash reads PNG.
        std::string make = "convert -size 200x300 xc:'#c81e28' -size 200x300 xc:'#143cd2' +append '" +
                           image.string() + "'";
        ASSERT_EQ(std::system(make.c_str()), 0) << "ImageMagick's convert is needed";
    }
    void writeIni(const std::string& display) {
        test::writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\nMain Class=probe.SplashCheck\n"
                                                    "[Class Path]\nClass Path=lib/*.jar\n[Display]\n" +
                                                        display + "\n");
    }
    test::ChildResult start(const std::vector<std::string>& arguments) {
        return test::runChild(exe.string(), arguments, 120, folder.path().string());
    }
};

TEST_F(NativeSplash, ConfiguredPictureShowsThroughTheRuntimesSplashLibrary) {
    // No preference needed: Linux has no splash window of the launcher's own.
    writeIni("Splash Screen=" + image.string());
    fs::path flag = folder.path() / "flag", ready = folder.path() / "ready";
    auto run = std::async(std::launch::async, [&] { return start({flag.string(), ready.string()}); });
    for (int i = 0; i < 600 && !fs::exists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(fs::exists(ready));
    fs::path shots = buildFolder() / "screenshots";
    fs::create_directories(shots);
    std::string grab = "import -window root -display \"$DISPLAY\" '" + (shots / "native-splash.png").string() + "'";
    EXPECT_EQ(std::system(grab.c_str()), 0);
    test::writeBytes(flag, "");
    test::ChildResult r = run.get();

    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("splash=true\n"), std::string::npos) << r.out << r.err;
    // The runtime centres the picture on the screen at its own size.
    size_t at = r.out.find("bounds=");
    ASSERT_NE(at, std::string::npos) << r.out;
    std::string bounds = r.out.substr(at, r.out.find('\n', at) - at);
    EXPECT_NE(bounds.find(",400,300"), std::string::npos) << bounds;
}

TEST_F(NativeSplash, NoSplashSwitchAndMissingPictureShowNone) {
    writeIni("Splash Screen=" + image.string());
    for (const char* suppress : {"-nosplash", "/nosplash"}) {
        test::ChildResult r = start({suppress});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("splash=false\n"), std::string::npos) << suppress << r.out << r.err;
    }
    // A different letter case is an ordinary argument.
    test::ChildResult shown = start({"-NoSplash"});
    EXPECT_NE(shown.out.find("splash=true\n"), std::string::npos) << shown.out << shown.err;

    // A picture the runtime cannot read: no splash, no message, main runs.
    for (const char* bad : {"missing.png", "empty.png"}) {
        if (std::string(bad) == "empty.png") test::writeBytes(folder.path() / bad, "");
        writeIni("Splash Screen=" + (folder.path() / bad).string());
        test::ChildResult r = start({});
        EXPECT_EQ(r.exitCode, 0) << bad << r.err;
        EXPECT_NE(r.out.find("splash=false\n"), std::string::npos) << bad << r.out << r.err;
        EXPECT_EQ(r.err, "") << bad;
    }
}

} // namespace
} // namespace launcher
