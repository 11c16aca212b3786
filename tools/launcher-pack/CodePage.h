#pragma once
// The code page of a Windows Installer package: the one in which its
// database stores every name. Windows reads a package whose code page is
// not set in the system's own ANSI code page, so a name is right only on
// systems whose code page the package names.

#include "Bytes.h"

#include <optional>
#include <string>
#include <string_view>

namespace launcher::pack {

inline constexpr int kDefaultCodePage = 1252;

// The code pages that --codepage accepts: Windows' ANSI code pages.
bool isPackageCodePage(int codePage);

// The code page's number given on the command line; throws PackError for
// any other text or number.
int parseCodePage(std::string_view text);

// The scripts a code page writes, for messages ("Cyrillic").
std::string_view codePageScript(int codePage);

// UTF-8 text in the code page's bytes; nullopt when a character has no
// byte form there (nothing is replaced by a look-alike).
std::optional<std::string> encodeInCodePage(std::string_view utf8, int codePage);

// Text that the package's code page cannot hold: exit code 1, not a usage
// error, like every value the package cannot carry.
class UnheldTextError : public PackError {
public:
    using PackError::PackError;
};

// Throws UnheldTextError naming the first character of text (UTF-8) that
// the code page cannot hold, and a code page that holds all of it.
void checkCodePageText(std::string_view text, std::string_view what, int codePage);

} // namespace launcher::pack
