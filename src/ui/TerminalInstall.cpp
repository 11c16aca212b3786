#include "ui/TerminalInstall.h"

#include "base/ConsoleVariant.h"
#include "base/Messages.h"
#include "base/Platform.h"
#include "install/RuntimeInstall.h"
#include "ui/ProgressText.h"

#include <chrono>

namespace launcher {

namespace {

// Redraws the progress line in place at most a few times a second. A
// shorter line is padded with blanks over the longer one before it, which
// every terminal and console understands.
class TerminalProgress {
public:
    void show(uint64_t received, std::optional<uint64_t> total) {
        const auto now = std::chrono::steady_clock::now();
        const bool whole = total && received >= *total;
        if (shown_ && !whole && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        shown_ = true;
        std::u16string line = progressLine(received, total);
        const size_t length = line.size();
        if (length < width_) line.append(width_ - length, u' ');
        width_ = length;
        writeStandardError(u"\r" + line);
    }
    ~TerminalProgress() {
        if (shown_) writeStandardError(kWindows ? u"\r\n" : u"\n");
    }

private:
    std::chrono::steady_clock::time_point last_;
    size_t width_ = 0;
    bool shown_ = false;
};

RuntimePin pinOf(const RuntimeDownload& pin, const std::u16string& folder) {
    return {.url = pin.url, .sha256 = pin.sha256, .size = pin.size, .folder = folder};
}

} // namespace

bool installOnTerminal(const RuntimeDownload& pin, const std::u16string& folder) {
    InstallResult result;
    {
        TerminalProgress progress;
        InstallOptions options;
        if (errorStreamIsTerminal()) {
            options.progress = [&progress](uint64_t received, std::optional<uint64_t> total) {
                progress.show(received, total);
            };
        }
        result = installRuntime(pinOf(pin, folder), options);
    }
    if (!result) showError(nullptr, result.message);
    return static_cast<bool>(result);
}

std::u16string installPinnedStep(const RuntimeDownload& pin, const std::u16string& folder,
                                 const InstallProgress& progress, const std::atomic<bool>& cancel) {
    InstallOptions options;
    options.progress = progress;
    options.cancel = &cancel;
    InstallResult result = installRuntime(pinOf(pin, folder), options);
    return result ? std::u16string() : result.message;
}

} // namespace launcher
