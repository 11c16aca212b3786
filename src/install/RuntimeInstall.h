#pragma once
// Installs the vendor's pinned runtime into its folder: one install at a
// time per product (a lock in the product's runtime folder), the archive
// downloaded into a temporary file beside the folder and hashed while it is
// written, nothing unpacked unless its SHA-256 is the pinned one, and the
// runtime moved into place whole only when it holds a runtime library this
// launcher can load. The temporary file never outlives the call. A folder
// that is there but damaged is moved aside and installed again.

#include "install/Download.h"
#include "jre/Bitness.h"
#include "jre/RuntimeCriteria.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace launcher {

struct RuntimePin {
    std::u16string url;
    std::u16string sha256; // 64 hex digits
    std::optional<uint64_t> size;
    // The runtime's own folder (a trailing separator is allowed); its
    // parent is the product's runtime folder, which holds the lock.
    std::u16string folder;
};

struct InstallOptions {
    std::function<void(uint64_t received, std::optional<uint64_t> total)> progress;
    const std::atomic<bool>* cancel = nullptr;
    // How long to wait for another start's install; by default
    // installWaitLimit of the pin's size.
    std::optional<std::chrono::milliseconds> lockWait;
    JvmTypeCode jvmType = JvmTypeCode::Any;
    LibraryWidth width = kProcessWidth;
};

enum class InstallOutcome { Installed, FoundInstalled, Failed };

struct InstallResult {
    InstallOutcome outcome = InstallOutcome::Failed;
    // The download layer's failure when the download failed, else None.
    DownloadFailure download = DownloadFailure::None;
    std::u16string message; // set when Failed, ready to show

    explicit operator bool() const { return outcome != InstallOutcome::Failed; }
};

InstallResult installRuntime(const RuntimePin& pin, const InstallOptions& options = {});

// The longest an install may take, so the longest another start waits for
// it: a quarter of an hour, plus a minute for every 10 MB the pin says the
// archive has (a slow line still moves that much).
std::chrono::milliseconds installWaitLimit(std::optional<uint64_t> size);

// Whether a name in the product's runtime folder is a leftover of an
// install that ended before cleaning up: a download, an unpack folder, or
// a damaged runtime's folder moved aside.
bool isInstallLeftover(std::u16string_view name);

// Why the installed runtime in folder can serve no launcher any more (a
// cleaner removed or cut its runtime library), or empty. A sound runtime
// that only does not fit this launcher (another width, another JVM type)
// is no damage: another launcher of the product may use it.
std::u16string installedRuntimeDamage(const std::u16string& folder);

} // namespace launcher
