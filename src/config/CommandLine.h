#pragma once
// The launcher's command line: every argument reaches the Java program's
// main method; only "-nosplash"/"/nosplash" is also looked at.

#include "base/Text.h"

namespace launcher {

// Splits at spaces (U+0020 only). A token that begins with a double quote
// runs to the next double quote; there is no escape character.
TextList splitCommandLine(std::u16string_view text);

// The arguments of a whole command line: trimmed, split, the program name
// dropped.
TextList argumentsFromCommandLine(std::u16string_view commandLine);

// The process's own arguments, without the program name.
TextList readProcessArguments();

// True when an argument is exactly "-nosplash" or "/nosplash".
bool hasNoSplashSwitch(const TextList& arguments);

} // namespace launcher
