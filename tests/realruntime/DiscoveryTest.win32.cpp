// Finding the real runtime where its installers and users put it, with no
// "JRE Path" to name it: the JavaSoft and Azul registry keys, JAVA_HOME, a
// folder under Program Files\Zulu; and a "JRE Path" relative to the
// executable. The version bounds are held against the runtime's own release
// file. Each row reads the launch trace for the runtime chosen and the
// program's java.home for the runtime that ran.

#include "RealRuntime.win32.h"
#include "support/ScratchKeys.win32.h"

#include <gtest/gtest.h>

namespace launcher::realdiscovery {
namespace {

namespace fs = std::filesystem;

// Bounds that only the real runtime's version meets: other suites may leave
// runtimes of other versions registered in the machine's Wine prefix.
const std::string kOnlyTheRealVersion = "Minimum Version=11.0.2\r\nMaximum Version=11.0.2\r\n";
const std::string kNotFound = "The Java Runtime Environment (JRE) was not found.";

void setRegistryText(const UniqueKey& key, const wchar_t* name, const std::wstring& value) {
    ASSERT_TRUE(key);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The trace line of the runtime that the search chose; empty when none.
std::string chosenRuntimeLine(const std::string& trace) {
    const size_t at = trace.find(": chosen");
    if (at == std::string::npos) return {};
    const size_t start = trace.rfind('\n', at) + 1;
    return trace.substr(start, trace.find('\n', at) - start);
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A copy of the real runtime in a folder of the Wine prefix's own program
// folder, as Azul's installer lays it out, removed again with the vendor
// folder when this made it.
class ProgramFilesCopy {
public:
    explicit ProgramFilesCopy(const std::wstring& name) {
        const wchar_t* programFiles = _wgetenv(L"ProgramW6432");
        vendor_ = fs::path(programFiles ? programFiles : L"C:\\Program Files") / L"Zulu";
        madeVendor_ = !fs::exists(vendor_);
        home_ = vendor_ / name;
        fs::create_directories(home_);
        fs::copy(test::realRuntime().home, home_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    ~ProgramFilesCopy() {
        std::error_code ignored;
        fs::remove_all(madeVendor_ ? vendor_ : home_, ignored);
    }
    ProgramFilesCopy(const ProgramFilesCopy&) = delete;
    ProgramFilesCopy& operator=(const ProgramFilesCopy&) = delete;
    const fs::path& home() const { return home_; }

private:
    fs::path vendor_;
    fs::path home_;
    bool madeVendor_ = false;
};

class RealDiscovery : public test::RealRuntimeTest {
protected:
    test::ScratchKeys keys;
    test::EnvironmentOverride trace{u"QX_LAUNCHER_TRACE", u"stderr"};

    void registerJavaSoft() {
        const std::wstring home = test::realRuntime().home.wstring();
        setRegistryText(keys.create(KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft\\JDK"), L"CurrentVersion", L"11.0.2");
        setRegistryText(keys.create(KEY_WOW64_64KEY, L"SOFTWARE\\JavaSoft\\JDK\\11.0.2"), L"JavaHome", home);
    }

    // The registry key names the runtime a development kit.
    static std::string javaSoftSource() {
        return "runtime HKLM\\SOFTWARE\\JavaSoft\\JDK\\11.0.2 at " + test::realRuntime().home.string() +
               "\\ (JDK, Oracle/OpenJDK, version 11.0.2)";
    }

    // The program ran on the runtime at home, which the trace's line of the
    // runtime chosen names as source (its start, whatever the letter case),
    // with the release file's version.
    static void expectRanOn(const test::CapturedRun& run, const fs::path& home, const std::string& source) {
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        const std::string chosen = chosenRuntimeLine(run.err);
        EXPECT_NE(lowered(chosen).find(lowered(source + ": chosen")), std::string::npos) << run.err;
        EXPECT_NE(chosen.find("version " + test::realRuntime().version), std::string::npos) << run.err;
        std::error_code error;
        EXPECT_TRUE(fs::equivalent(test::reported(run.out, "home"), home, error)) << run.out;
        EXPECT_EQ(test::reported(run.out, "version"), test::realRuntime().version);
        EXPECT_EQ(test::reported(run.out, "main"), "returned");
    }
};

TEST_F(RealDiscovery, JavaSoftKeys) {
    registerJavaSoft();
    writeIni(kOnlyTheRealVersion);
    expectRanOn(start({L"about"}), test::realRuntime().home, javaSoftSource());
}

TEST_F(RealDiscovery, AzulKey) {
    setRegistryText(keys.create(KEY_WOW64_64KEY, L"SOFTWARE\\Azul Systems\\Zulu\\zulu-11"), L"InstallationPath",
                    test::realRuntime().home.wstring());
    writeIni(kOnlyTheRealVersion);
    expectRanOn(start({L"about"}), test::realRuntime().home,
                "runtime HKLM\\SOFTWARE\\Azul Systems\\Zulu\\zulu-11 at " + test::realRuntime().home.string() +
                    "\\ (JDK, Oracle/OpenJDK, version 11.0.2)");
}

TEST_F(RealDiscovery, ProgramFilesZuluFolder) {
    const ProgramFilesCopy copy(L"zulu11.29.3-ca-jdk11.0.2-win_x64");
    writeIni(kOnlyTheRealVersion);
    expectRanOn(start({L"about"}), copy.home(),
                "runtime folder " + copy.home().string() + "\\ (JRE, Oracle/OpenJDK, version 11.0.2)");
}

// JAVA_HOME is the user's to set: the desktop user's start takes it, an
// elevated one leaves it out and finds no runtime.
TEST_F(RealDiscovery, JavaHomeAsTheUserNotElevated) {
    test::EnvironmentOverride javaHome(u"JAVA_HOME", test::realRuntime().home.u16string());
    writeIni(kOnlyTheRealVersion);
    expectRanOn(start({L"about"}), test::realRuntime().home, "] JAVA_HOME " + test::realRuntime().home.string() + "\\");
    if (!test::canStartElevated()) GTEST_SKIP() << "the tests run without administrator rights";
    const test::CapturedRun elevated = start({L"about"}, {.rights = test::Rights::Administrator});
    EXPECT_EQ(elevated.exitCode, static_cast<DWORD>(-1)) << elevated.err;
    EXPECT_NE(elevated.err.find(kNotFound), std::string::npos) << elevated.err;
    EXPECT_EQ(test::reported(elevated.out, "main"), "<missing>");
}

// A relative "JRE Path" is taken from the executable's folder, never from
// the current one: the launch starts from another drive's folder.
TEST_F(RealDiscovery, RelativeJrePathFromTheExecutablesFolder) {
    const fs::path app = test::buildFolder() / ("realruntime-relative-" + std::to_string(GetCurrentProcessId()));
    struct Removal {
        fs::path folder;
        ~Removal() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } removal{app};
    fs::create_directories(app / "My App");
    exe = app / "My App" / "app.exe";
    fs::copy_file(test::builtProgramFolder() / "launcher-console.exe", exe);
    fs::copy_file(folder.path() / "app.jar", exe.parent_path() / "app.jar");
    const fs::path relative = test::realRuntime().home.lexically_relative(exe.parent_path());
    ASSERT_EQ(relative.begin()->string(), "..");
    test::writeBytes(exe.parent_path() / "app.ini", "[Java Runtime Environment]\r\nMain Class=realapp.Main\r\n"
                                                    "JRE Path=" + relative.string() +
                                                        "\r\n[Class Path]\r\nClass Path=app.jar\r\n");
    expectRanOn(start({L"about"}, {.workingDirectory = folder.path()}), test::realRuntime().home,
                "] \"JRE Path\" " + (exe.parent_path() / relative).string() + "\\");
}

struct BoundsRow {
    const char* label;
    const char* bounds;
    const char* refusal; // the trace's reason; null when the runtime is accepted
};

void PrintTo(const BoundsRow& row, std::ostream* out) { *out << row.label; }

class RealBounds : public RealDiscovery, public ::testing::WithParamInterface<BoundsRow> {};

// The runtime registered under the JavaSoft key, within or outside the
// bounds; a refused one leaves no runtime, which launcher-console.exe says
// on standard error.
TEST_P(RealBounds, HeldAgainstTheReleaseVersion) {
    const BoundsRow& row = GetParam();
    registerJavaSoft();
    writeIni(row.bounds);
    const test::CapturedRun run = start({L"about"});
    if (!row.refusal) {
        expectRanOn(run, test::realRuntime().home, javaSoftSource());
        return;
    }
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(-1)) << run.err;
    EXPECT_NE(run.err.find(kNotFound), std::string::npos) << run.err;
    // The key's runtime, passed over for its version.
    const std::string refused = "runtime hklm\\software\\javasoft\\jdk\\11.0.2 at " +
                                lowered(test::realRuntime().home.string());
    const size_t line = lowered(run.err).find(refused);
    ASSERT_NE(line, std::string::npos) << run.err;
    EXPECT_NE(run.err.substr(line, run.err.find('\n', line) - line)
                  .find(std::string("(JDK, Oracle/OpenJDK, version 11.0.2): ") + row.refusal),
              std::string::npos)
        << run.err;
    EXPECT_EQ(chosenRuntimeLine(run.err), "");
    EXPECT_EQ(test::reported(run.out, "main"), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(
    Versions, RealBounds,
    ::testing::Values(
        BoundsRow{"Minimum11", "Minimum Version=11\r\nMaximum Version=11.0.2\r\n", nullptr},
        BoundsRow{"Minimum11_0_2", "Minimum Version=11.0.2\r\nMaximum Version=11.0.2\r\n", nullptr},
        BoundsRow{"Minimum11_0_3", "Minimum Version=11.0.3\r\nMaximum Version=11.0.3\r\n",
                  "version 11.0.2 is below \"Minimum Version\" 11.0.3"},
        BoundsRow{"Maximum11", "Minimum Version=11.0.2\r\nMaximum Version=11\r\n", nullptr},
        BoundsRow{"Maximum11_0_3", "Minimum Version=11.0.2\r\nMaximum Version=11.0.3\r\n", nullptr},
        BoundsRow{"Maximum11_0_1", "Minimum Version=11\r\nMaximum Version=11.0.1\r\n",
                  "version 11.0.2 is above \"Maximum Version\" 11.0.1"},
        BoundsRow{"Maximum10", "Minimum Version=10\r\nMaximum Version=10\r\n",
                  "version 11.0.2 is above \"Maximum Version\" 10"}),
    [](const ::testing::TestParamInfo<BoundsRow>& info) { return std::string(info.param.label); });

} // namespace
} // namespace launcher::realdiscovery
