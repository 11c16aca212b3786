#pragma once
// Unpacks a runtime's archive into its final folder all at once or not at
// all: the entries go into a temporary folder beside the destination, the
// caller checks the result, and only then does the top folder move into
// place, in one rename. Any failure removes the temporary folder; an
// existing destination is never touched.

#include "install/ByteSource.h"
#include "install/EntryCheck.h"

#include <atomic>
#include <functional>
#include <string>

namespace launcher {

// Looks at the unpacked top folder before it is moved into place: empty
// when it is fit, else the reason it is not.
using UnpackedFolderCheck = std::function<std::u16string(const std::u16string& folder)>;

struct UnpackRequest {
    // The archive's path: opened here unless source is set, and named in
    // messages either way.
    std::u16string archive;
    // The archive already open, read in place of the path.
    ByteSource* source = nullptr;
    // The folder the archive's top folder becomes; its parent must exist.
    std::u16string destination;
    UnpackedFolderCheck check;
    ArchiveLimits limits;
    // Set by another thread to end the unpack: it is read between entries,
    // so a Cancel need not wait for the rest of a large archive.
    const std::atomic<bool>* cancel = nullptr;
};

// false with the reason in message; a cancelled unpack, too, leaves
// nothing behind.
bool unpackArchive(const UnpackRequest& request, std::u16string& message);

} // namespace launcher
