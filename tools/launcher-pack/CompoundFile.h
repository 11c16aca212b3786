#pragma once
// The names in a compound file (the container format of Windows Installer
// packages), read from its directory: enough to tell whether a package
// carries an Authenticode signature.

#include "Bytes.h"

#include <string>
#include <vector>

namespace launcher::pack {

bool isCompoundFile(const Bytes& file);

// Every directory entry's name; throws PackError for a damaged file.
std::vector<std::u16string> compoundFileNames(const Bytes& file);

} // namespace launcher::pack
