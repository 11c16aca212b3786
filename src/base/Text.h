#pragma once
// UTF-16 text helpers shared by every subsystem. Launcher text is always
// std::u16string; narrow text appears only at platform and JNI boundaries.

#include <string>
#include <string_view>
#include <vector>

namespace launcher {

using TextList = std::vector<std::u16string>;

// White space as the wide-character classification counts it (the Unicode
// White_Space set of the Basic Multilingual Plane).
bool isWhitespace(char16_t c);
std::u16string trimWhitespace(std::u16string_view text);

// Case-insensitive equality for configuration words ("Yes", vendor names, INI
// names on Linux). Folds ASCII and Latin-1 letters.
bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);
char16_t foldCase(char16_t c);

// Splits at every occurrence of the separator; an empty text gives an empty
// list and a trailing separator gives no empty last piece.
TextList splitString(std::u16string_view text, std::u16string_view separator);

bool startsWith(std::u16string_view text, std::u16string_view prefix);
bool endsWith(std::u16string_view text, std::u16string_view suffix);
void replaceAll(std::u16string& text, char16_t from, char16_t to);

// UTF-8 <-> UTF-16. Invalid input becomes U+FFFD, never an error.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

// The platform's narrow text: the calling thread's ANSI code page on
// Windows, UTF-8 on Linux.
std::string toNarrow(std::u16string_view text);
std::u16string fromNarrow(std::string_view text);

// ASCII literal helper for tests and messages.
std::u16string fromAscii(std::string_view text);

std::u16string toDecimal(long long value);

} // namespace launcher
