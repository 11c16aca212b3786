#pragma once
// A byte source over a file that is open already: the archive a download
// wrote is read through the handle it was written with.

#include "base/Handles.win32.h"
#include "install/ByteSource.h"

#include <memory>

namespace launcher {

// Owns file, which must be open for reading, and reads it at offsets; null
// with the system's error in error when its size cannot be read.
std::unique_ptr<ByteSource> fileSource(UniqueFileHandle file, uint32_t& error);

} // namespace launcher
