#pragma once
// Text as the WiX source holds it: identifiers made from paths, attribute
// values, and values of columns that Windows Installer formats.

#include <string>
#include <string_view>

namespace launcher::pack {

// A Windows Installer identifier for a path: letters, digits, "_" and "."
// only, starting with a letter, at most 72 characters; paths that differ
// give identifiers that differ (a hash of the path ends each one).
std::string wixIdentifier(std::string_view prefix, std::string_view path);

// Text for an attribute value of the WiX source, in double quotation marks:
// XML's escapes, and "$" doubled for WiX's preprocessor.
std::string xmlText(std::string_view text);

// Text for a column that Windows Installer formats ([Property] references):
// square brackets and braces stand for themselves.
std::string formattedText(std::string_view text);

} // namespace launcher::pack
