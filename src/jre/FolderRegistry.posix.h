#pragma once
// The Linux port's registered runtimes: each runtime folder under the
// folders that distributions install into, and then under the user's own
// runtime folders, presented under the registry root of its kind and
// vendor, with the version of its "release" file as the subkey name.

#include "jre/RuntimeRegistry.h"

namespace launcher {

std::unique_ptr<RuntimeRegistry> openFolderRegistry(const TextList& baseFolders, const TextList& homes = {});

} // namespace launcher
