#pragma once
// A byte source over a file that is open already: the archive a download
// wrote is read through the descriptor it was written with.

#include "base/Descriptor.posix.h"
#include "install/ByteSource.h"

#include <memory>

namespace launcher {

// Owns fd, which must be open for reading, and reads it at offsets; null
// with the errno in error when its size cannot be read.
std::unique_ptr<ByteSource> fileSource(UniqueDescriptor fd, uint32_t& error);

} // namespace launcher
