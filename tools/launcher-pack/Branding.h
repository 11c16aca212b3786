#pragma once
// What packaging does to the launcher's bytes, without touching any file.

#include "VersionInfo.h"

#include <optional>
#include <string>

namespace launcher::pack {

struct Branding {
    std::string name; // the executable's name without ".exe"
    VersionNumber4 version{1, 0, 0, 0};
    std::string vendor;
    std::string description;
    std::string copyright;
    std::optional<Bytes> icon;              // an .ico file's bytes
    std::optional<std::string> embeddedIni; // an INI file's bytes
    std::string upgradeCode;
    // The file's own name without ".exe", when it is not name (the ARM64
    // sibling of NAME.exe); and the option that gave the launcher.
    std::string fileName;
    std::string inputOption = "--launcher";
};

// The branded executable. Throws PackError (without a file name) for a
// launcher that is no executable, is signed or has a broken resource tree,
// and for a bad icon or settings file; the message then says which input.
Bytes brandExecutable(const Bytes& launcher, const Branding& branding);

// The version strings written for a branding, in the written order.
VersionStrings versionStrings(const Branding& branding);

} // namespace launcher::pack
