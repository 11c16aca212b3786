#pragma once
// Which face the launcher shows a user. The Windows launcher is built twice
// from the same code: as a GUI program that speaks in windows, and as a
// console program for command-line Java applications that speaks on
// standard error and never opens a window of its own. The Linux launcher
// always speaks on standard error.

#include <string>
#include <string_view>

namespace launcher {

// Called once by the console program's entry point, before anything is shown.
void useConsoleVariant();
// True in the console program only; Linux has no such second program.
bool isConsoleVariant();
// True where a message is a line on standard error rather than a box: the
// console program and Linux. The runtime's own messages are then seen too.
bool messagesGoToStandardError();

// "name: message" as one line, without its line break: inner line breaks
// of a text meant for a box become spaces, trailing ones go.
std::u16string messageLine(std::u16string_view program, std::u16string_view text);
// The program name that starts a message line: the executable's file name
// without the ".exe" a Windows user never types.
std::u16string programNameOf(std::u16string_view modulePath);

// Writes text to the process's standard error as it is, without a prefix;
// nothing happens when there is no standard error.
void writeStandardError(std::u16string_view text);

} // namespace launcher
