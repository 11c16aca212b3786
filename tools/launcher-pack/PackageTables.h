#pragma once
// What wixl 0.101 cannot write, written into the package after it: the
// database's code page with the text that needs it, the summary's text in
// that code page, and the shortcuts' properties.
//
// wixl leaves the database's code page at 0 ("neutral"), which every
// Windows reads in its own ANSI code page, and empties any text beyond
// Windows-1252; and msibuild cannot set the code page of a database that
// already holds text the new code page lacks. So wixl builds the package
// from text it can hold (every run of other characters replaced by a
// token), the code page is set, and the tables that hold tokens are
// imported again with the real text, which msibuild reads as UTF-8.

#include "FileIo.h"
#include "InstallerPackage.h"

#include <string>
#include <utility>
#include <vector>

namespace launcher::pack {

// The WiX source as wixl builds it: ASCII outside the paths of the files
// it reads, without the elements it aborts on (ShortcutProperty).
struct WixlSource {
    std::string text;
    std::vector<std::pair<std::string, std::string>> tokens; // token, the text it stands for
};
WixlSource wixlSource(const std::string& source);

// text with every token replaced by the text it stands for.
std::string withoutTokens(std::string text, const WixlSource& source);

// The tables written after wixl, as msiinfo exports and msibuild imports
// them (".idt" text, UTF-8).
std::string codePageTable(int codePage);
// Empty when the package has no App User Model ID.
std::string shortcutPropertyTable(const InstallerPackage& package);

struct MsiTools {
    fs::path msibuild, msiinfo;
};

// Completes msi, built by wixl from source: throws PackError with the
// tool's message.
void writePackageTables(const MsiTools& tools, const fs::path& msi, const InstallerPackage& package, const WixlSource& source);

} // namespace launcher::pack
