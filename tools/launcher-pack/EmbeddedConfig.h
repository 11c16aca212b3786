#pragma once
// The embedded configuration as the launcher reads it: RCDATA 9000 holds a
// key text enciphered with the upgrade code, RCDATA 8000 the INI text
// (UTF-16, CR LF line ends) enciphered with that key text.

#include "ResourceTree.h"

#include <string_view>

namespace launcher::pack {

// Throws PackError unless the upgrade code hashes the same on every Windows
// code page and reads back unchanged from an INI file: printable ASCII, not
// empty, no blank or quotation mark at either end.
void checkUpgradeCode(std::string_view upgradeCode);

// Adds resources 9000 and 8000 (language neutral), replacing any there were.
// The INI file's bytes must be UTF-8 (a byte-order mark is dropped).
void embedSettings(ResourceList& resources, std::string_view upgradeCode, std::string_view iniFile);

// The configuration text the launcher would read with this upgrade code, as
// UTF-8 with LF line ends; empty without resource 8000.
std::string readEmbeddedSettings(const ResourceList& resources, std::string_view upgradeCode);

// Whether resource 9000 deciphers with this upgrade code to a key text as
// packaging writes them (printable ASCII); a wrong code gives noise.
bool upgradeCodeFits(const ResourceList& resources, std::string_view upgradeCode);

bool hasResource(const ResourceList& resources, uint16_t type, uint16_t id);

} // namespace launcher::pack
