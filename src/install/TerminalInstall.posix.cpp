#include "install/TerminalInstall.h"

#include "base/ConsoleVariant.h"
#include "base/Messages.h"
#include "install/RuntimeInstall.h"

#include <chrono>
#include <unistd.h>

namespace launcher {

namespace {

// Redraws the progress line in place at most a few times a second.
class TerminalProgress {
public:
    void show(uint64_t received, std::optional<uint64_t> total) {
        const auto now = std::chrono::steady_clock::now();
        const bool whole = total && received >= *total;
        if (shown_ && !whole && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        shown_ = true;
        writeStandardError(u"\r" + progressLine(received, total) + u"\x1b[K");
    }
    ~TerminalProgress() {
        if (shown_) writeStandardError(u"\n");
    }

private:
    std::chrono::steady_clock::time_point last_;
    bool shown_ = false;
};

} // namespace

bool installOnTerminal(const RuntimeDownload& pin, const std::u16string& folder) {
    InstallResult result;
    {
        TerminalProgress progress;
        InstallOptions options;
        if (::isatty(STDERR_FILENO)) {
            options.progress = [&progress](uint64_t received, std::optional<uint64_t> total) {
                progress.show(received, total);
            };
        }
        result = installRuntime({.url = pin.url, .sha256 = pin.sha256, .size = pin.size, .folder = folder}, options);
    }
    if (!result) showError(nullptr, result.message);
    return static_cast<bool>(result);
}

} // namespace launcher
