// How long the registry pass takes over many registered runtimes: it runs
// before every start, so it must stay far below the cost of creating a VM.
// The program registers its runtimes itself (HKEY_LOCAL_MACHINE, so it needs
// the rights to write there: run it under Wine, in the build's own prefix)
// and removes every key it made before it ends.

#include "base/Handles.win32.h"
#include "jre/RuntimeRegistry.h"
#include "support/ScratchKeys.win32.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdio>

using namespace launcher;

namespace {

// A runtime as installers register it, with every key it needs.
bool registerRuntime(test::ScratchKeys& keys, const std::wstring& path, const std::wstring& home) {
    UniqueKey key = keys.create(KEY_WOW64_64KEY, path);
    return key && RegSetValueExW(key.get(), L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                                 static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

int main() {
    constexpr int kSubkeys = 1000;
    constexpr int kRounds = 20;
    test::TempFolder base;
    // Ten installations, each registered under a hundred names; the probe of
    // each name looks for the client library first and finds the server one.
    test::ScratchKeys keys;
    for (int i = 0; i < kSubkeys; ++i) {
        std::filesystem::path home = base.path() / ("jre" + std::to_string(i % 10));
        if (i < 10) {
            test::writeBytes(home / "bin" / "java.dll", "");
            test::writeBytes(home / "bin" / "server" / "jvm.dll", "");
        }
        std::wstring name = L"Software\\JavaSoft\\Java Runtime Environment\\1." + std::to_wstring(5 + i % 20) +
                            L".0_" + std::to_wstring(i);
        if (!registerRuntime(keys, name, home.wstring())) {
            std::printf("runtime search: cannot register runtimes under HKEY_LOCAL_MACHINE\n");
            return 1;
        }
    }
    RuntimeCriteria criteria;
    criteria.minimumVersion = parseVersion(u"1.8", kVersionFillLow).version;
    criteria.maximumVersion = makeVersion(kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh);
    criteria.jdkKind = criteria.jreKind = true;

    std::optional<std::u16string> chosen = runRegistryPass(*openRuntimeRegistry(RegistryView::Native), criteria);
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        chosen = runRegistryPass(*openRuntimeRegistry(RegistryView::Native), criteria);
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRounds;
    std::printf("runtime search over %d registry subkeys: %.3f ms per search (chose %s)\n", kSubkeys, ms,
                chosen ? toUtf8(*chosen).c_str() : "nothing");
    return chosen ? 0 : 1;
}
