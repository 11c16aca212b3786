// Packaging a launcher with a 256x256 icon and an embedded configuration:
// wall time per run (the whole command: read, rebuild, write the folder) and
// the process's peak memory. Uses the Windows build's launcher.exe when it
// exists, otherwise a synthetic executable of the same size.

#include "FileIo.h"
#include "PackCommand.h"
#include "SyntheticPe.h"

#include "support/TestSupport.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>

using namespace launcher::pack;

namespace {

Bytes iconWithLargePng() {
    std::vector<std::pair<unsigned, Bytes>> images;
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 1, 0, 0, 0, 1, 0};
    png.resize(90 * 1024, 0x77); // a photographic 256x256 PNG is about this size
    images.emplace_back(256, png);
    for (unsigned side : {48u, 32u, 16u}) {
        Bytes bitmap;
        for (uint32_t v : {40u, side, 2 * side}) appendU32(bitmap, v);
        appendU16(bitmap, 1);
        appendU16(bitmap, 32);
        bitmap.resize(40 + side * side * 4 + (side + 31) / 32 * 4 * side, 0);
        images.emplace_back(side, bitmap);
    }
    Bytes file = {0, 0, 1, 0, static_cast<uint8_t>(images.size()), 0};
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const auto& [side, data] : images) {
        file.insert(file.end(), {static_cast<uint8_t>(side & 0xFF), static_cast<uint8_t>(side & 0xFF), 0, 0, 1, 0, 32, 0});
        appendU32(file, static_cast<uint32_t>(data.size()));
        appendU32(file, offset);
        offset += static_cast<uint32_t>(data.size());
    }
    for (const auto& image : images) file.insert(file.end(), image.second.begin(), image.second.end());
    return file;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main() {
    launcher::test::TempFolder folder;
    fs::path windowsLauncher = launcher::test::builtProgramFolder() / "../../windows/bin/launcher.exe";
    fs::path launcherFile = folder.path() / "launcher.exe";
    if (fs::exists(windowsLauncher)) {
        fs::copy_file(windowsLauncher, launcherFile);
    } else {
        test::SyntheticPe pe;
        pe.resources = {test::resource(kRtVersion, 1, 0x409, std::string(900, 'v'))};
        pe.overlay = std::string(1200 * 1024, 'x');
        Bytes bytes = pe.build();
        launcher::test::writeBytes(launcherFile, std::string(bytes.begin(), bytes.end()));
    }
    Bytes icon = iconWithLargePng();
    launcher::test::writeBytes(folder.path() / "app.ico", std::string(icon.begin(), icon.end()));
    launcher::test::writeBytes(folder.path() / "embed.ini",
                               "[Java Runtime Environment]\nMain Class=com.example.Main\nJRE Path=jre64\n"
                               "[Class Path]\nClass Path=lib\\*.jar\n");
    long baseline = peakKilobytes();
    std::vector<double> samples;
    for (int run = 0; run < 30; ++run) {
        std::vector<std::string> arguments = {
            "--launcher", displayPath(launcherFile), "--name", "Viewer", "--dest", displayPath(folder.path() / "out"),
            "--icon", displayPath(folder.path() / "app.ico"), "--app-version", "1.2.3.4", "--vendor", "ACME",
            "--embed", displayPath(folder.path() / "embed.ini"), "--upgrade-code", "{BENCH-CODE}"};
        std::ostringstream out, err;
        auto start = std::chrono::steady_clock::now();
        if (runLauncherPack(arguments, out, err) != 0) {
            std::fprintf(stderr, "packbench: %s", err.str().c_str());
            return 1;
        }
        samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    std::printf("launcher-pack (%s, %ju bytes, icon %zu bytes with a 256x256 PNG, embedded configuration): "
                "median %.2f ms, slowest %.2f ms over %zu runs; peak memory %ld KiB (%ld KiB before packaging)\n",
                fs::exists(windowsLauncher) ? "launcher.exe" : "synthetic executable",
                static_cast<uintmax_t>(fs::file_size(launcherFile)), icon.size(), samples[samples.size() / 2],
                samples.back(), samples.size(), peakKilobytes(), baseline);
    return 0;
}
