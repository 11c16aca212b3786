#pragma once
// The settings the launcher holds after reading its configuration.

#include "base/Text.h"
#include "config/RuntimeDownload.h"
#include "config/RuntimeFeed.h"
#include "jre/RuntimeCriteria.h"
#include "jre/VersionNumber.h"

#include <cstdint>

namespace launcher {

struct LaunchSettings {
    // "Product Information"
    std::u16string productName;
    std::u16string productCode;
    std::u16string upgradeCode;

    // "Java Runtime Environment"
    RuntimeCriteria runtime; // bounds, preferred versions, flavour, kinds, vendors
    std::u16string jrePath;  // absolute once read
    std::u16string mainClass; // "/" as package separator
    std::u16string systemPath;
    std::u16string libraryPath;
    // The vendor's pinned runtime; not configured by default.
    RuntimeDownload runtimeDownload;
    // The vendor's signed feed of newer runtimes for the pin; not configured by default.
    RuntimeFeed runtimeFeed;

    // "Application"
    bool serviceMode = false;
    bool failureCheck = false;
    bool overrideWorkingDirectory = false;
    std::u16string pairProduct;
    bool waitForPair = false;
    // "ARM64 Product" as written; the launcher resolves it against its folder.
    std::u16string arm64Product;
    // "X64 Product" as written: the ARM64 sibling's x64 launcher, a file
    // name in its folder, which the sibling hands a launch back to.
    std::u16string x64Product;
    // "Single Instance" is exactly "yes": later launches forward to this one.
    bool singleInstance = false;
    // "Startup Cache": the runtime records and maps a class-data archive.
    bool startupCache = false;
    // "App User Model ID": the process's taskbar identity; empty: the system's own.
    std::u16string appUserModelId;
};

} // namespace launcher
