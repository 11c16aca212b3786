#pragma once
// Picks the reader for an archive by its first bytes, not its name: a zip
// starts with a local header ("PK\3\4"), a .tar.gz with gzip's magic.

#include "install/ArchiveReader.h"
#include "install/ByteSource.h"

#include <memory>

namespace launcher {

// The reader for source, ready for next(); null with a message in error when
// the archive is of neither kind or its zip directory is unsound.
std::unique_ptr<ArchiveReader> openArchiveReader(ByteSource& source, std::u16string& error);

} // namespace launcher
