// How long the runtime search takes over many installed runtimes: it runs
// before every start, so it must stay far below the cost of creating a VM.
// Beside the distributions' folders alone (the search as it was before the
// user's own runtime folders joined it), the whole search: on this machine
// as it is, and with fifty runtimes in the user's folders.

#include "base/Environment.h"
#include "jre/FolderRegistry.posix.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdio>
#include <functional>

using namespace launcher;

namespace {

namespace fs = std::filesystem;

void layOut(const fs::path& home, const std::string& version, bool jdk) {
    test::writeBytes(home / "release", "IMPLEMENTOR=\"Vendor\"\nJAVA_VERSION=\"" + version + "\"\n");
    test::writeBytes(home / "lib/libjava.so", "");
    test::writeBytes(home / "lib/server/libjvm.so", test::libraryImage(test::Machine::X64));
    if (jdk) test::writeBytes(home / "bin/javac", "");
}

double millisecondsPerSearch(int rounds, const std::function<std::unique_ptr<RuntimeRegistry>()>& open,
                             const RuntimeCriteria& criteria, std::optional<std::u16string>& chosen) {
    chosen = runRegistryPass(*open(), criteria);
    auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) chosen = runRegistryPass(*open(), criteria);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
}

void report(const char* what, int rounds, const std::function<std::unique_ptr<RuntimeRegistry>()>& open,
            const RuntimeCriteria& criteria) {
    std::optional<std::u16string> chosen;
    double ms = millisecondsPerSearch(rounds, open, criteria, chosen);
    std::printf("runtime search over %s: %.3f ms per search (chose %s)\n", what, ms,
                chosen ? toUtf8(*chosen).c_str() : "nothing");
}

} // namespace

int main() {
    constexpr int kRuntimes = 200;
    constexpr int kUserRuntimes = 50;
    constexpr int kRounds = 50;
    test::TempFolder base;
    for (int i = 0; i < kRuntimes; ++i) {
        std::string name = "jdk-" + std::to_string(8 + i % 20) + "." + std::to_string(i);
        layOut(base.path() / name, std::to_string(8 + i % 20) + ".0." + std::to_string(i), i % 2);
    }
    RuntimeCriteria criteria;
    criteria.minimumVersion = parseVersion(u"11", kVersionFillLow).version;
    criteria.maximumVersion = parseVersion(u"21", kVersionFillHigh).version;
    criteria.preferredVersions = {u"17"};
    criteria.jdkKind = criteria.jreKind = true;

    // This machine's runtimes, with a user who has no runtime folders.
    test::TempFolder emptyHome;
    test::EnvironmentOverride home(u"HOME", emptyHome.text());
    TextList systemFolders = posixRuntimeFolders(FolderEnvironment());
    report("the system runtime folders (as before)", kRounds * 10,
           [&] { return openFolderRegistry(systemFolders); }, criteria);
    report("the system and the user's empty folders", kRounds * 10,
           [] { return openRuntimeRegistry(RegistryView::Native); }, criteria);

    TextList folders = {base.text()};
    report("200 runtime folders", kRounds, [&] { return openFolderRegistry(folders); }, criteria);

    const char* userFolders[] = {".sdkman/candidates/java", ".jdks", ".asdf/installs/java"};
    for (int i = 0; i < kUserRuntimes; ++i) {
        layOut(emptyHome.path() / userFolders[i % 3] / ("user-" + std::to_string(i)),
               std::to_string(11 + i % 10) + ".0." + std::to_string(100 + i), true);
    }
    for (const char* below : userFolders) folders.push_back(emptyHome.text() + u"/" + fromUtf8(below));
    report("200 runtime folders and 50 in the user's folders", kRounds, [&] { return openFolderRegistry(folders); },
           criteria);
    return 0;
}
