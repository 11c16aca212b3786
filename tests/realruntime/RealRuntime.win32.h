#pragma once
// What the real-runtime suite shares: where the real Windows runtime is (or
// why it is missing), and a folder with a launcher copy beside the suite's
// program and an INI that names that runtime.

#include "support/CapturedRun.win32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace launcher::test {

struct RealRuntime {
    std::filesystem::path home; // as the launcher would name it (a Windows path)
    std::string version;        // JAVA_VERSION of its release file
    std::string missing;        // why there is none; empty when there is
};
// The runtime that scripts/setup unpacks into build/tools/windows-runtime/jdk.
const RealRuntime& realRuntime();

// The value of a "key=value" line of the program's report; "<missing>"
// when there is none.
std::string reported(const std::string& out, const std::string& key);

// A folder with "app.exe" (a copy of launcher-console.exe unless a test
// asks for another) and "app.jar" (the suite's program), with no JAVA_HOME
// and no launch trace of the test process's own.
class RealRuntimeTest : public ::testing::Test {
public:
    // "JRE Path=<the real runtime's home>\r\n".
    static std::string jrePathLine();

protected:
    TempFolder folder;
    std::filesystem::path exe = folder.path() / "app.exe";
    EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    EnvironmentOverride noTrace{u"QX_LAUNCHER_TRACE", std::nullopt};

    void SetUp() override;
    // Replaces app.exe with a copy of another program of the build.
    void useProgram(const char* program);
    // app.ini: the runtime section with "Main Class" and these lines (by
    // default the real runtime's "JRE Path"), the class path app.jar, then
    // further sections ("[Application]\r\n...").
    void writeIni(const std::string& runtimeLines = jrePathLine(), const std::string& sections = {},
                  const std::string& mainClass = "realapp.Main");
    CapturedRun start(const std::vector<std::wstring>& arguments, const RunOptions& options = {}) const;
};

// As RealRuntimeTest, for launches that install into the user's folders:
// those folders are the test's own, each launch writes its trace to a file,
// and no proxy stands between the launcher and the loopback server.
class OwnFoldersRealRuntimeTest : public RealRuntimeTest {
protected:
    std::filesystem::path localData = folder.path() / "local";
    std::filesystem::path launchTrace = folder.path() / "launch.txt";
    EnvironmentOverride localDataVariable{u"LOCALAPPDATA", localData.u16string()};
    EnvironmentOverride appDataVariable{u"APPDATA", folder.text(u"roaming")};
    EnvironmentOverride traceVariable{u"QX_LAUNCHER_TRACE", launchTrace.u16string()};
    // Wine's WinHTTP takes its proxy from these.
    EnvironmentOverride noHttpProxy{u"http_proxy", std::nullopt};
    EnvironmentOverride noHttpsProxy{u"https_proxy", std::nullopt};

    void SetUp() override;
    // The launches' trace so far; empty before the first.
    std::string trace() const;
};

} // namespace launcher::test
