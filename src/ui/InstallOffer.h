#pragma once
// The vendor's pinned runtime as the user interface offers it: what the
// Install button says, and the work it starts. The work itself (download,
// check, unpack) is handed in by the launcher, so that the dialogs know
// nothing of archives or HTTP.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace launcher {

// Bytes received so far, and the whole size once known.
using InstallProgress = std::function<void(uint64_t received, std::optional<uint64_t> total)>;

// Installs the runtime on the calling thread (a worker of the window that
// shows it): reports progress as bytes arrive and ends soon after cancel is
// set. The failure's message, ready to show; empty when the runtime is in
// place.
using InstallTask = std::function<std::u16string(const InstallProgress& progress, const std::atomic<bool>& cancel)>;

struct InstallOffer {
    std::u16string productName;    // "Install Java for <productName>"
    std::optional<uint64_t> size;  // the archive's size when the configuration says it
    InstallTask task;              // empty: nothing is offered

    explicit operator bool() const { return static_cast<bool>(task); }
};

} // namespace launcher
