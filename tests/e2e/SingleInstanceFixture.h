#pragma once
// The single-instance suites' fixture: copies of the launcher installed as a
// user would, started as a user would, and the stand-in runtime's trace of
// what their programs were called with.

#include "base/Platform.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <sstream>
#include <thread>

namespace launcher::test {

namespace fs = std::filesystem;
using Launch = std::future<test::LaunchResult>;

class SingleInstance : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    // A pausing primary ends as soon as this file exists (see endPause).
    fs::path pauseEnd = folder.path() / "pause-end";
    test::EnvironmentOverride pauseEndVariable{u"STANDIN_PAUSE_END", pauseEnd.u16string()};

    // A launcher copy in its own folder, with its INI.
    fs::path install(const std::string& where, const std::string& mainClass, const std::string& singleInstance = "yes",
                     const std::string& parameters = "", const std::string& application = "") {
        fs::path dir = folder.path() / where;
        fs::create_directories(dir);
        fs::path exe = dir / (kWindows ? "viewer.exe" : "viewer");
        fs::path built = test::builtLauncher();
        fs::copy_file(built, exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(dir / "app.jar", "PK");
        const std::u16string ini = u"[Java Runtime Environment]\nMain Class=" + fromUtf8(mainClass) + u"\nJRE Path=" +
                                   test::standinHome("standard").u16string() + u"\nVirtual Machine Parameters=" +
                                   fromUtf8(parameters) + u"\n[Class Path]\nClass Path=app.jar\n[Application]\nSingle Instance=" +
                                   fromUtf8(singleInstance) + u"\n" + fromUtf8(application) + u"\n";
        // UTF-16 with its mark: every character reaches both targets' readers.
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : ini) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        test::writeBytes(dir / "viewer.ini", bytes);
        return exe;
    }
    static Launch startLaunch(const fs::path& exe, std::vector<std::string> arguments) {
        return std::async(std::launch::async, [exe, arguments] { return test::launch(exe, arguments); });
    }
    std::vector<std::string> trace() const {
        std::istringstream text(test::readBytes(tracePath));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    size_t count(const std::string& line) const {
        std::vector<std::string> lines = trace();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }
    size_t countStarting(const std::string& prefix) const {
        std::vector<std::string> lines = trace();
        return static_cast<size_t>(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
    // Waits until the trace has a line starting with prefix.
    bool awaitTrace(const std::string& prefix) const {
        for (int i = 0; i < 600; ++i) {
            if (countStarting(prefix) > 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Lets a pausing primary end now, once the test has seen that it ran
    // beside the launches made meanwhile; its exit code.
    int endPause(Launch& primary) {
        test::writeBytes(pauseEnd, "");
        return primary.get().exitCode;
    }
    // Ends a lingering primary through a forwarded "stop"; its exit code.
    int stopPrimary(const fs::path& exe, Launch& primary) {
        EXPECT_EQ(test::launch(exe, {"stop"}).exitCode, 0);
        return primary.get().exitCode;
    }
};

} // namespace launcher::test
