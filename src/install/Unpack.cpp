#include "install/Unpack.h"

#include "base/Platform.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "base/UniqueResource.h"
#include "install/ArchiveFormat.h"
#include "install/UnpackFiles.h"

namespace launcher {

namespace {

constexpr int kMaxTemporaryAttempts = 1000;
// A link's target is a path, not content; longer than this is damage.
constexpr size_t kMaxLinkTarget = 4096;
constexpr std::u16string_view kCancelled = u"The unpacking was cancelled.";

struct PendingLink {
    std::u16string path;
    std::string target;
};

std::u16string failedStep(std::u16string_view what, const std::u16string& path, uint32_t error) {
    return std::u16string(what) + u" \"" + path + u"\" failed: " + systemErrorText(error) + u".";
}

// A new folder beside destination that no other unpack uses.
bool createTemporarySibling(const std::u16string& destination, std::u16string& folder, std::u16string& message) {
    uint32_t error = 0;
    for (int attempt = 1; attempt <= kMaxTemporaryAttempts; ++attempt) {
        folder = destination + u".unpacking-" + toDecimal(attempt);
        if (createFolder(folder, error)) return true;
        if (error != kErrorAlreadyExists) break;
    }
    message = failedStep(u"Creating the folder", folder, error);
    return false;
}

// Creates the folders of path below base, one part at a time; those that
// exist already are fine.
bool createFolders(std::u16string path, const std::vector<std::string>& parts, size_t count, std::u16string& message) {
    for (size_t i = 0; i < count; ++i) {
        path += kPathSeparator + fromUtf8(parts[i]);
        uint32_t error = 0;
        if (!createFolder(path, error) && error != kErrorAlreadyExists) {
            message = failedStep(u"Creating the folder", path, error);
            return false;
        }
    }
    return true;
}

bool writeEntry(ArchiveReader& reader, const ArchiveEntry& entry, const std::u16string& path, std::u16string& message) {
    OutputFile file;
    if (!file.open(path, entry.mode)) {
        message = failedStep(u"Creating the file", path, file.error());
        return false;
    }
    bool written = true;
    const bool read = reader.readData([&](std::span<const uint8_t> bytes) { return written = file.write(bytes); });
    if (!written) {
        message = failedStep(u"Writing the file", path, file.error());
        return false;
    }
    if (!read) {
        message = reader.error();
        return false;
    }
    if (!file.close()) {
        message = failedStep(u"Writing the file", path, file.error());
        return false;
    }
    return true;
}

// A tar link names its target in its header, a zip link in its data.
bool readLinkTarget(ArchiveReader& reader, const ArchiveEntry& entry, std::string& target, std::u16string& message) {
    target = entry.linkTarget;
    if (!target.empty()) return true;
    const bool read = reader.readData([&](std::span<const uint8_t> bytes) {
        if (bytes.size() > kMaxLinkTarget - target.size()) return false;
        target.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    });
    if (!read) message = u"The archive's entry " + quotedEntryName(entry.name) + u" is a symbolic link with a damaged or overlong target.";
    return read;
}

// Links are made only after every file is written, so that nothing of the
// archive is ever written through one.
bool createLinks(const std::vector<PendingLink>& links, std::u16string& message) {
    for (const PendingLink& link : links) {
        uint32_t error = 0;
        if (!createSymbolicLink(link.path, link.target, error)) {
            message = failedStep(u"Creating the symbolic link", link.path, error);
            return false;
        }
    }
    return true;
}

bool unpackEntries(ArchiveReader& reader, EntryGate& gate, const std::u16string& temporary,
                   const std::atomic<bool>* cancel, std::u16string& message) {
    std::vector<PendingLink> links;
    for (;;) {
        if (cancel && cancel->load()) {
            message = kCancelled;
            return false;
        }
        ArchiveEntry entry;
        switch (reader.next(entry)) {
        case ArchiveReader::Step::End: return createLinks(links, message);
        case ArchiveReader::Step::Failed: message = reader.error(); return false;
        case ArchiveReader::Step::Entry: break;
        }
        std::optional<std::vector<std::string>> parts = gate.admit(entry);
        if (!parts) {
            message = gate.problem();
            return false;
        }
        std::string target;
        if (entry.kind == EntryKind::SymbolicLink) {
            if (!readLinkTarget(reader, entry, target, message)) return false;
            if (!gate.admitLinkTarget(entry, *parts, target)) {
                message = gate.problem();
                return false;
            }
        }
        parts->insert(parts->begin(), gate.topFolder());
        const bool link = entry.kind == EntryKind::SymbolicLink;
        const bool folder = entry.kind == EntryKind::Folder;
        if (!createFolders(temporary, *parts, folder ? parts->size() : parts->size() - 1, message)) return false;
        if (folder) continue;
        std::u16string path = temporary;
        for (const std::string& part : *parts) path += kPathSeparator + fromUtf8(part);
        if (link) {
            links.push_back({std::move(path), std::move(target)});
            continue;
        }
        if (!writeEntry(reader, entry, path, message)) return false;
    }
}

} // namespace

bool unpackArchive(const UnpackRequest& request, std::u16string& message) {
    if (pathExists(request.destination)) {
        message = u"The folder \"" + request.destination + u"\" exists already; it is left as it is.";
        return false;
    }
    uint32_t error = 0;
    std::unique_ptr<ByteSource> opened;
    ByteSource* source = request.source;
    if (!source) {
        opened = openFileSource(request.archive, error);
        if (!opened) {
            message = failedStep(u"Opening the archive", request.archive, error);
            return false;
        }
        source = opened.get();
    }
    std::unique_ptr<ArchiveReader> reader = openArchiveReader(*source, message);
    if (!reader) return false;
    EntryGate gate(source->size(), request.limits, symbolicLinksSupported());
    // A header that only describes the next entry counts as an entry, and a
    // Cancel is seen between such headers too: a long run of them is a way
    // around neither.
    reader->checkHeadersWith([&]() -> std::u16string {
        if (request.cancel && request.cancel->load()) return std::u16string(kCancelled);
        return gate.admitExtendedHeader() ? std::u16string() : gate.problem();
    });
    std::u16string temporary;
    if (!createTemporarySibling(request.destination, temporary, message)) return false;
    ScopeExit removeTemporary([&] { removeTree(temporary); });

    if (!unpackEntries(*reader, gate, temporary, request.cancel, message)) return false;
    if (gate.topFolder().empty()) {
        message = u"The archive holds nothing to unpack.";
        return false;
    }
    const std::u16string top = temporary + kPathSeparator + fromUtf8(gate.topFolder());
    if (request.check) {
        std::u16string problem = request.check(top);
        if (!problem.empty()) {
            message = std::move(problem);
            return false;
        }
    }
    if (!moveFolder(top, request.destination, error)) {
        message = failedStep(u"Moving the unpacked folder to", request.destination, error);
        return false;
    }
    return true;
}

} // namespace launcher
