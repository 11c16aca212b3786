#include "RealRuntime.win32.h"

#include <iostream>
#include <regex>

namespace launcher::test {

namespace fs = std::filesystem;

const RealRuntime& realRuntime() {
    static const RealRuntime runtime = [] {
        RealRuntime found;
        const fs::path tools = buildFolder().parent_path() / "tools" / "windows-runtime";
        found.home = tools / "jdk";
        const std::string release = readBytes(found.home / "release");
        std::smatch version;
        if (std::regex_search(release, version, std::regex("JAVA_VERSION=\"([^\"]+)\""))) found.version = version[1];
        if (!fs::exists(found.home / "bin" / "server" / "jvm.dll") || found.version.empty()) {
            const std::string why = fs::exists(tools / "unavailable.txt") ? readBytes(tools / "unavailable.txt")
                                                                            : "scripts/setup has not unpacked it";
            found.missing = "no Windows test runtime in " + tools.string() + ": " + why;
            while (!found.missing.empty() && std::isspace(static_cast<unsigned char>(found.missing.back()))) {
                found.missing.pop_back();
            }
        }
        return found;
    }();
    return runtime;
}

std::string reported(const std::string& out, const std::string& key) {
    const std::string text = "\n" + out;
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) return "<missing>";
    const size_t start = at + key.size() + 2;
    std::string value = text.substr(start, text.find('\n', start) - start);
    if (!value.empty() && value.back() == '\r') value.pop_back();
    return value;
}

void RealRuntimeTest::SetUp() {
    if (!realRuntime().missing.empty()) GTEST_SKIP() << realRuntime().missing;
    fs::copy_file(builtProgramFolder() / "launcher-console.exe", exe);
    fs::copy_file(buildFolder() / "java" / "realapp.jar", folder.path() / "app.jar");
}

void OwnFoldersRealRuntimeTest::SetUp() {
    RealRuntimeTest::SetUp();
    if (!IsSkipped()) fs::create_directories(localData);
}

std::string OwnFoldersRealRuntimeTest::trace() const {
    return fs::exists(launchTrace) ? readBytes(launchTrace) : std::string();
}

void RealRuntimeTest::useProgram(const char* program) {
    fs::copy_file(builtProgramFolder() / program, exe, fs::copy_options::overwrite_existing);
}

std::string RealRuntimeTest::jrePathLine() { return "JRE Path=" + realRuntime().home.string() + "\r\n"; }

void RealRuntimeTest::writeIni(const std::string& runtimeLines, const std::string& sections,
                               const std::string& mainClass) {
    writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\r\nMain Class=" + mainClass + "\r\n" +
                                              runtimeLines + "[Class Path]\r\nClass Path=app.jar\r\n" + sections);
}

CapturedRun RealRuntimeTest::start(const std::vector<std::wstring>& arguments, const RunOptions& options) const {
    RunOptions withFolder = options;
    if (withFolder.workingDirectory.empty()) withFolder.workingDirectory = folder.path();
    return runCaptured(exe, commandLineOf(arguments), withFolder);
}

namespace {

// One line in the suite's output, also when every test passes: the runtime
// the rows ran on, as the launcher started it, or why there was none.
class RuntimeLine : public ::testing::Environment {
public:
    void SetUp() override {
        // Wine starts its desktop for the first program that needs one; made
        // here, it belongs to no program the rows start and wait for.
        GetDesktopWindow();
        const RealRuntime& runtime = realRuntime();
        if (!runtime.missing.empty()) {
            std::cout << "runtime: none (" << runtime.missing << ")" << std::endl;
            return;
        }
        TempFolder folder;
        const fs::path exe = folder.path() / "about.exe";
        fs::copy_file(builtProgramFolder() / "launcher-console.exe", exe);
        fs::copy_file(buildFolder() / "java" / "realapp.jar", folder.path() / "app.jar");
        writeBytes(folder.path() / "about.ini", "[Java Runtime Environment]\r\nMain Class=realapp.Main\r\n" +
                                                    RealRuntimeTest::jrePathLine() +
                                                    "[Class Path]\r\nClass Path=app.jar\r\n");
        const CapturedRun run = runCaptured(exe, L"about", {.workingDirectory = folder.path()});
        std::cout << "runtime: " << reported(run.out, "vm") << " (" << reported(run.out, "vendor") << "), version "
                  << reported(run.out, "version") << " (release file: " << runtime.version << "), at "
                  << runtime.home.string() << std::endl;
    }
};

const auto* const kRuntimeLine = ::testing::AddGlobalTestEnvironment(new RuntimeLine);

} // namespace

} // namespace launcher::test
