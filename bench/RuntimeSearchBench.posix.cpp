// How long the runtime search takes over many installed runtimes: it runs
// before every start, so it must stay far below the cost of creating a VM.

#include "jre/FolderRegistry.posix.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdio>

using namespace launcher;

int main() {
    constexpr int kRuntimes = 200;
    constexpr int kRounds = 50;
    test::TempFolder base;
    for (int i = 0; i < kRuntimes; ++i) {
        std::string name = "jdk-" + std::to_string(8 + i % 20) + "." + std::to_string(i);
        std::string version = std::to_string(8 + i % 20) + ".0." + std::to_string(i);
        test::writeBytes(base.path() / name / "release", "IMPLEMENTOR=\"Vendor\"\nJAVA_VERSION=\"" + version + "\"\n");
        test::writeBytes(base.path() / name / "lib/libjava.so", "");
        test::writeBytes(base.path() / name / "lib/server/libjvm.so", "");
        if (i % 2) test::writeBytes(base.path() / name / "bin/javac", "");
    }
    RuntimeCriteria criteria;
    criteria.minimumVersion = parseVersion(u"11", kVersionFillLow).version;
    criteria.maximumVersion = parseVersion(u"21", kVersionFillHigh).version;
    criteria.preferredVersions = {u"17"};
    criteria.jdkKind = criteria.jreKind = true;

    std::optional<std::u16string> chosen;
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        chosen = runRegistryPass(*openFolderRegistry({base.text()}), criteria);
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRounds;
    std::printf("runtime search over %d runtime folders: %.3f ms per search (chose %s)\n", kRuntimes, ms,
                chosen ? toUtf8(*chosen).c_str() : "nothing");
    return chosen ? 0 : 1;
}
