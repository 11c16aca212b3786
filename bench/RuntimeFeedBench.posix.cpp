// What following a runtime feed costs a start: the time to the first line
// of main with a feed configured and due at every start, against the same
// application without a feed, in paired rounds (the order alternating).
// Both run on the same pinned runtime (the machine's own, linked into the
// pinned runtime's folder); the feed is served over loopback, signed, and
// refused for its sequence, so each start's look fetches the feed and its
// signature and checks both, on its background thread after main.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "MachineRuntime.h"
#include "PairedRounds.h"
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <thread>

using namespace launcher;
namespace fs = std::filesystem;

namespace {

const char* const kOpenssl = "/usr/bin/openssl";
const std::string kPinSha256(64, 'a');
const char* const kStay = "400"; // milliseconds

bool openssl(const std::vector<std::string>& arguments) { return test::runChild(kOpenssl, arguments).exitCode == 0; }

// An application folder: the launcher, the program and an INI that pins the
// runtime; with a feed when feedIni is given.
void makeApplication(const fs::path& folder, const fs::path& bin, const std::string& feedSettings) {
    fs::create_directories(folder);
    fs::copy_file(bin / "launcher", folder / "app");
    fs::copy_file(bin.parent_path() / "java" / "firstline.jar", folder / "firstline.jar");
    test::writeBytes(folder / "app.ini",
                     "[Product Information]\nProduct Name=Feed Bench\nProduct Code=1\n"
                     "[Java Runtime Environment]\nMain Class=bench.FirstLine\n"
                     "Runtime Download URL=https://downloads.example.com/runtime.zip\nRuntime Download SHA-256=" +
                         kPinSha256 + "\n" + feedSettings + "[Class Path]\nClass Path=firstline.jar\n");
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    if (!fs::exists(kOpenssl)) {
        std::printf("runtime feed: skipped, no %s to sign the feed with\n", kOpenssl);
        return 0;
    }
    std::u16string self;
    readModulePath(self);
    const fs::path bin = test::toPath(folderOf(self));
    const fs::path runtime = bench::machineRuntimeHome();

    test::TempFolder work;
    const fs::path data = work.path() / "data";
    test::EnvironmentOverride dataHome(u"XDG_DATA_HOME", data.u16string());
    test::EnvironmentOverride noProxy(u"http_proxy", std::nullopt);
    // The pinned runtime, installed: the machine's own under the pin's name.
    const fs::path runtimeFolder = data / "Feed Bench" / "1" / "runtime";
    fs::create_directories(runtimeFolder);
    fs::create_directory_symlink(runtime, runtimeFolder / kPinSha256.substr(0, 16));
    // A look has accepted sequence 5 before; the feed says 1.
    test::writeBytes(runtimeFolder / "runtime-feed.state", "[Runtime Feed]\nHighest Sequence=5\n");

    const fs::path key = work.path() / "vendor.pem", der = work.path() / "vendor.der";
    const fs::path feedFile = work.path() / "runtime-feed.ini";
    test::writeBytes(feedFile, "[Feed]\nSequence=1\n[linux-x64]\nURL=https://downloads.example.com/runtime-2.zip\n"
                               "SHA-256=" + std::string(64, 'b') + "\nSize=1000\nVersion=99.0.1\n");
    if (!openssl({"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", key.string()}) ||
        !openssl({"pkey", "-in", key.string(), "-pubout", "-outform", "DER", "-out", der.string()}) ||
        !openssl({"dgst", "-sha256", "-sign", key.string(), "-out", feedFile.string() + ".sig", feedFile.string()})) {
        std::fprintf(stderr, "runtime feed: openssl could not make the key or the signature\n");
        return 1;
    }
    test::LoopbackServer server;
    server.serve("/runtime-feed.ini", test::ServedReply{.body = test::readBytes(feedFile)});
    server.serve("/runtime-feed.ini.sig", test::ServedReply{.body = test::readBytes(feedFile.string() + ".sig")});
    const std::string publicKey = test::runChild("/usr/bin/base64", {"-w0", der.string()}).out;

    const fs::path plain = work.path() / "plain", followed = work.path() / "followed";
    makeApplication(plain, bin, "");
    makeApplication(followed, bin, "Runtime Feed URL=" + server.url("/runtime-feed.ini") +
                                       "\nRuntime Feed Key=" + publicKey + "\nRuntime Feed Interval=0\n");
    // Files written a moment ago are re-read by every reader (their times
    // could still change unseen); installed files are older.
    std::this_thread::sleep_for(std::chrono::seconds(3));

    std::vector<double> without, with;
    // One round first that only warms the file cache; then the order
    // alternates, so neither side always comes right after the other.
    for (int round = 0; round <= rounds; ++round) {
        double a = -1, b = -1;
        for (int turn = 0; turn < 2; ++turn) {
            // Both programs stay a moment after their first line: a look
            // still busy when the program ends is cancelled.
            if ((turn == 0) == (round % 2 == 0)) a = bench::msUntilPrinted((plain / "app").string(), {kStay});
            else b = bench::msUntilPrinted((followed / "app").string(), {kStay});
        }
        if (a < 0 || b < 0) return 1;
        if (round == 0) continue;
        without.push_back(a);
        with.push_back(b);
    }
    const int looks = server.requestsFor("/runtime-feed.ini");
    const auto [low, high] = bench::middleHalf(bench::roundRatios(with, without));
    std::printf("runtime feed: start to first line of main, %d paired rounds (medians; runtime %s):\n", rounds,
                runtime.c_str());
    std::printf("  without a feed:             %7.1f ms\n", bench::median(without));
    std::printf("  with a feed, due each start: %6.1f ms  (%d looks at the feed, each refused for its sequence)\n",
                bench::median(with), looks);
    std::printf("  ratio with / without (paired, median): %.3f (middle half %.3f to %.3f; goal <= 1.03)\n",
                bench::pairedRatio(with, without), low, high);
    return 0;
}
