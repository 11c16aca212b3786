// How long the registry pass takes over many registered runtimes: it runs
// before every start, so it must stay far below the cost of creating a VM.
// The program registers its runtimes itself (HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER, so it needs the rights to write there: run it under
// Wine, in the build's own prefix) and removes every key it made before it
// ends. It measures the classic roots alone (the search as it was before
// the OpenJDK distributions' roots and folders joined it) beside the whole
// search, on a machine without runtimes and on one with many.

#include "base/Environment.h"
#include "base/Handles.win32.h"
#include "jre/RuntimeRegistry.h"
#include "support/ScratchKeys.win32.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdio>
#include <functional>

using namespace launcher;

namespace {

namespace fs = std::filesystem;

// A runtime as installers register it, with every key it needs.
bool registerRuntime(test::ScratchKeys& keys, HKEY hive, const std::wstring& path, const wchar_t* value,
                     const std::wstring& home) {
    UniqueKey key = keys.create(KEY_WOW64_64KEY, path, nullptr, hive);
    return key && RegSetValueExW(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                                 static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The search as it was: the classic roots only.
class ClassicRootsOnly : public RuntimeRegistry {
public:
    explicit ClassicRootsOnly(std::unique_ptr<RuntimeRegistry> all) : all_(std::move(all)) {}
    TextList subkeyNames(size_t root) override { return root < kClassicRootCount ? all_->subkeyNames(root) : TextList(); }
    std::optional<std::u16string> javaHome(size_t root, std::u16string_view name) override {
        return all_->javaHome(root, name);
    }

private:
    std::unique_ptr<RuntimeRegistry> all_;
};

double millisecondsPerSearch(int rounds, const RuntimeCriteria& criteria, bool classicOnly,
                             std::optional<std::u16string>& chosen) {
    auto open = [&]() -> std::unique_ptr<RuntimeRegistry> {
        auto all = openRuntimeRegistry(RegistryView::Native);
        if (classicOnly) return std::make_unique<ClassicRootsOnly>(std::move(all));
        return all;
    };
    chosen = runRegistryPass(*open(), criteria);
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) chosen = runRegistryPass(*open(), criteria);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
}

void report(const char* what, int rounds, const RuntimeCriteria& criteria) {
    std::optional<std::u16string> chosen;
    double classic = millisecondsPerSearch(rounds, criteria, true, chosen);
    std::string classicChoice = chosen ? toUtf8(*chosen) : "nothing";
    double all = millisecondsPerSearch(rounds, criteria, false, chosen);
    std::printf("runtime search, %s: classic roots %.3f ms (chose %s), every source %.3f ms (chose %s)\n", what,
                classic, classicChoice.c_str(), all, chosen ? toUtf8(*chosen).c_str() : "nothing");
}

// A runtime folder as the installers leave it.
void layOut(const fs::path& home, const std::string& version) {
    test::writeBytes(home / "bin" / "java.dll", "");
    test::writeBytes(home / "bin" / "server" / "jvm.dll", test::libraryImage(test::Machine::X64));
    test::writeBytes(home / "release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"" + version + "\"\n");
}

} // namespace

int main() {
    constexpr int kClassicSubkeys = 1000;
    constexpr int kKeysPerRoot = 100;
    constexpr int kFolders = 50;
    constexpr int kRounds = 20;
    test::TempFolder base;
    fs::path programs = base.path() / "Program Files";
    fs::create_directories(programs);
    test::EnvironmentOverride programFiles(u"ProgramFiles", programs.u16string());
    test::EnvironmentOverride programFilesX86(u"ProgramFiles(x86)", std::nullopt);
    test::EnvironmentOverride localAppData(u"LOCALAPPDATA", (base.path() / "Local").u16string());
    test::EnvironmentOverride userProfile(u"USERPROFILE", base.path().u16string());

    RuntimeCriteria criteria;
    criteria.minimumVersion = parseVersion(u"1.8", kVersionFillLow).version;
    criteria.maximumVersion = makeVersion(kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh);
    criteria.jdkKind = criteria.jreKind = true;

    // A machine without any runtime: what every start pays for looking.
    report("no runtime installed", kRounds * 10, criteria);

    // Ten installations, each registered under a hundred names; the probe of
    // each name looks for the client library first and finds the server one.
    test::ScratchKeys keys;
    for (int i = 0; i < kClassicSubkeys; ++i) {
        fs::path home = base.path() / ("jre" + std::to_string(i % 10));
        if (i < 10) layOut(home, "1.8.0_" + std::to_string(i));
        std::wstring name = L"Software\\JavaSoft\\Java Runtime Environment\\1." + std::to_wstring(5 + i % 20) +
                            L".0_" + std::to_wstring(i);
        if (!registerRuntime(keys, HKEY_LOCAL_MACHINE, name, L"JavaHome", home.wstring())) {
            std::printf("runtime search: cannot register runtimes under HKEY_LOCAL_MACHINE\n");
            return 1;
        }
    }
    report("1000 classic subkeys", kRounds, criteria);

    // A hundred keys under every new root, in both hives, whose homes are
    // ten runtimes; and fifty unpacked runtimes in the vendors' folders.
    for (size_t r = kClassicRootCount; r < registryRootCount(); ++r) {
        const RegistryRoot& root = registryRoot(r);
        if (!isRootInView(root, false)) continue;
        for (int i = 0; i < kKeysPerRoot; ++i) {
            int major = 8 + i % 14;
            fs::path home = base.path() / ("openjdk" + std::to_string(r) + "-" + std::to_string(i % 10));
            if (i < 10) layOut(home, std::to_string(major) + ".0." + std::to_string(i));
            // Names of the major version alone are one per major.
            std::u16string name = fromUtf8(root.releaseRefinesVersion ? "jdk-" + std::to_string(8 + i)
                                                                      : std::to_string(major) + ".0." + std::to_string(i));
            std::u16string key = std::u16string(root.key) + name + std::u16string(root.homeKey);
            std::wstring value(root.homeValue.begin(), root.homeValue.end());
            if (!registerRuntime(keys, root.hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                                 std::wstring(key.begin(), key.end()), value.c_str(), home.wstring())) {
                std::printf("runtime search: cannot register runtimes under the new roots\n");
                return 1;
            }
        }
    }
    for (int i = 0; i < kFolders; ++i) {
        layOut(programs / (i % 2 ? "Eclipse Adoptium" : "Zulu") / ("jdk-" + std::to_string(8 + i % 14) + "." + std::to_string(i)),
               std::to_string(8 + i % 14) + ".0." + std::to_string(i));
    }
    report("and 100 keys per new root, 50 folders", kRounds, criteria);
    return 0;
}
