#include "install/RuntimeInstall.h"

#include "base/FileFinder.h"
#include "base/FolderChain.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/Platform.h"
#include "base/Sha256.h"
#include "base/SystemError.h"
#include "base/Trace.h"
#include "base/UniqueResource.h"
#include "install/InstallLock.h"
#include "install/Unpack.h"
#include "install/UnpackFiles.h"
#include "jre/JvmLibrary.h"
#include "jre/RuntimeTrace.h"

namespace launcher {

namespace {

constexpr int kMaxDownloadNames = 1000;
constexpr std::u16string_view kLockFileName = u"install.lock";
// A damaged runtime's folder on its way out.
constexpr std::u16string_view kDamagedMark = u".damaged-";
// A runtime archive is some tens of megabytes; a server that sends more than
// any runtime has, where the pin names no size, is not given the disk.
constexpr uint64_t kMaxArchiveBytes = 2ull * 1024 * 1024 * 1024;

InstallResult installFailure(std::u16string message, DownloadFailure download = DownloadFailure::None) {
    if (trace::on()) trace::say({u"runtime install failed: ", message});
    return {InstallOutcome::Failed, download, std::move(message)};
}

std::u16string folderFailure(const std::u16string& folder, uint32_t error) {
    return formatMessage(loadMessage(MessageId::InstallFolderFailed), {folder, systemErrorText(error)});
}

// What a crashed install left behind; only called while holding the lock.
void removeLeftovers(const std::u16string& runtimeFolder) {
    std::vector<std::u16string> names;
    FileFinder finder;
    for (bool found = finder.findFirst(runtimeFolder + kPathSeparator + u"*"); found; found = finder.findNext()) {
        if (isInstallLeftover(finder.fileName())) names.push_back(finder.fileName());
    }
    finder.close();
    for (const std::u16string& name : names) {
        if (trace::on()) trace::say({u"runtime install: removing the leftover ", name});
        removeTree(runtimeFolder + kPathSeparator + name);
    }
}

// Moves a damaged runtime's folder out of its name in one step, to a
// leftover's name that the clearing of leftovers then removes: a search
// meanwhile finds either the old folder or none, never half of one.
uint32_t moveAside(const std::u16string& folder) {
    uint32_t error = 0;
    for (int attempt = 1; attempt <= kMaxDownloadNames; ++attempt) {
        const std::u16string aside = folder + std::u16string(kDamagedMark) + toDecimal(attempt);
        if (moveFolder(folder, aside, error)) return 0;
        // The next name only when this one is taken.
        if (error != kErrorAlreadyExists && !pathExists(aside)) break;
    }
    return error;
}

// The runtime folder's check before it moves into place: the same a
// candidate of the search passes. The search's reasons are phrases for its
// trace; the user reads a sentence.
UnpackedFolderCheck runtimeCheck(const InstallOptions& options) {
    return [&options](const std::u16string& folder) -> std::u16string {
        const std::u16string home = withTrailingSeparator(folder);
        const JvmLibrary library = findJvmLibrary(home, options.jvmType);
        std::u16string why = library.path.empty() ? libraryRejection(home, options.jvmType)
                                                  : imageRejection(inspectLibrary(library.path), options.width);
        return why.empty() ? why : u"The archive's runtime does not fit: " + why + u".";
    };
}

struct Fetched {
    DownloadResult result;
    std::optional<Sha256Digest> digest;
};

// Streams the download into file, hashing every piece written.
Fetched fetchInto(const RuntimePin& pin, OutputFile& file, const InstallOptions& options) {
    Sha256 hash;
    DownloadCallbacks callbacks;
    callbacks.write = [&](std::span<const uint8_t> bytes) {
        hash.update(bytes);
        return file.write(bytes);
    };
    callbacks.progress = [&](uint64_t received, std::optional<uint64_t> total) {
        if (options.progress) options.progress(received, total ? total : pin.size);
    };
    callbacks.cancel = options.cancel;
    // Nothing beyond the pinned size is written, so a wrong file is caught
    // at its size instead of after filling the disk for the checksum.
    callbacks.limit = pin.size.value_or(kMaxArchiveBytes);
    Fetched fetched{download(toUtf8(pin.url), callbacks), std::nullopt};
    if (fetched.result) fetched.digest = hash.finish();
    return fetched;
}

InstallResult downloadAndUnpack(const RuntimePin& pin, const std::u16string& folder, const InstallOptions& options) {
    std::u16string temporary;
    bool opened = false;
    // Declared before the file and its reader, so that it runs after both
    // are closed: Windows deletes no open file.
    ScopeExit removeDownload([&] {
        if (opened) removeTree(temporary);
    });
    OutputFile file;
    for (int attempt = 1; attempt <= kMaxDownloadNames && !opened; ++attempt) {
        temporary = folder + u".download-" + toDecimal(attempt);
        opened = file.open(temporary);
        if (!opened && file.error() != kErrorAlreadyExists) break;
    }
    if (!opened) return installFailure(folderFailure(temporary, file.error()));

    Fetched fetched = fetchInto(pin, file, options);
    if (!fetched.result) return installFailure(fetched.result.message, fetched.result.failure);
    if (!fetched.digest) {
        return installFailure(formatMessage(loadMessage(MessageId::InstallChecksumFailed), {pin.url}));
    }
    const std::u16string digest = fromUtf8(sha256Hex(*fetched.digest));
    std::u16string pinned = pin.sha256;
    for (char16_t& c : pinned) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    if (digest != pinned) {
        if (trace::on()) trace::say({u"runtime install: SHA-256 ", digest, u" is not the pinned ", pin.sha256});
        return installFailure(
            formatMessage(loadMessage(MessageId::InstallChecksumMismatch), {pin.url, digest, pinned}));
    }
    // Unpacked through the handle it was written and hashed with, never
    // opened again by its path: what is unpacked is what was checked.
    std::unique_ptr<ByteSource> archive = file.readBack();
    if (!archive) {
        return installFailure(formatMessage(loadMessage(MessageId::DownloadWriteFailed), {pin.url}),
                              DownloadFailure::WriteFailed);
    }
    std::u16string problem;
    if (!unpackArchive({.archive = temporary,
                        .source = archive.get(),
                        .destination = folder,
                        .check = runtimeCheck(options),
                        .limits = {},
                        .cancel = options.cancel},
                       problem)) {
        // A Cancel while unpacking ends the install as one while downloading.
        if (options.cancel && options.cancel->load()) {
            return installFailure(formatMessage(loadMessage(MessageId::DownloadCancelled), {pin.url}),
                                  DownloadFailure::Cancelled);
        }
        return installFailure(formatMessage(loadMessage(MessageId::InstallRefused), {pin.url, problem}));
    }
    if (trace::on()) trace::say({u"runtime install: installed into ", folder});
    return {InstallOutcome::Installed, DownloadFailure::None, {}};
}

} // namespace

bool isInstallLeftover(std::u16string_view name) {
    return name.find(u".download-") != std::u16string_view::npos ||
           name.find(u".unpacking-") != std::u16string_view::npos ||
           name.find(kDamagedMark) != std::u16string_view::npos;
}

std::u16string installedRuntimeDamage(const std::u16string& folder) {
    const std::u16string home = withTrailingSeparator(folder);
    const JvmLibrary library = findJvmLibrary(home, JvmTypeCode::Any);
    if (library.path.empty()) return libraryRejection(home, JvmTypeCode::Any);
    const LibraryImage image = inspectLibrary(library.path);
    return isForeignImage(image) ? imageRejection(image, kProcessWidth) : std::u16string();
}

std::chrono::milliseconds installWaitLimit(std::optional<uint64_t> size) {
    constexpr uint64_t kBytesPerMinute = 10ull * 1000 * 1000;
    const uint64_t minutes = 15 + size.value_or(0) / kBytesPerMinute;
    return std::chrono::minutes(static_cast<long long>(std::min<uint64_t>(minutes, 24 * 60)));
}

InstallResult installRuntime(const RuntimePin& pin, const InstallOptions& options) {
    std::u16string folder = pin.folder;
    while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
    const size_t cut = folder.rfind(kPathSeparator);
    if (cut == std::u16string::npos || cut == 0) return installFailure(folderFailure(folder, kErrorAlreadyExists));
    const std::u16string runtimeFolder = folder.substr(0, cut);
    const std::u16string lockFile = runtimeFolder + kPathSeparator + std::u16string(kLockFileName);
    if (const uint32_t error = createFolderChain(lockFile)) return installFailure(folderFailure(runtimeFolder, error));

    const std::chrono::milliseconds wait = options.lockWait.value_or(installWaitLimit(pin.size));
    InstallLock lock;
    switch (lock.acquire(lockFile, wait, options.cancel)) {
    case InstallLock::Outcome::Locked: break;
    case InstallLock::Outcome::Failed: return installFailure(folderFailure(runtimeFolder, lock.error()));
    case InstallLock::Outcome::Cancelled:
        return installFailure(formatMessage(loadMessage(MessageId::DownloadCancelled), {pin.url}),
                              DownloadFailure::Cancelled);
    case InstallLock::Outcome::TimedOut: {
        const auto minutes = std::chrono::ceil<std::chrono::minutes>(wait).count();
        return installFailure(formatMessage(loadMessage(MessageId::InstallLockTimedOut),
                                            {folder, static_cast<long long>(minutes)}));
    }
    }
    if (pathExists(folder)) {
        const std::u16string damage = installedRuntimeDamage(folder);
        if (damage.empty()) {
            if (trace::on()) trace::say({u"runtime install: ", folder, u" was installed meanwhile"});
            return {InstallOutcome::FoundInstalled, DownloadFailure::None, {}};
        }
        if (trace::on()) trace::say({u"runtime install: ", folder, u" is damaged (", damage, u"): installing it again"});
        if (const uint32_t error = moveAside(folder)) return installFailure(folderFailure(folder, error));
    }
    removeLeftovers(runtimeFolder);
    return downloadAndUnpack(pin, folder, options);
}

} // namespace launcher
