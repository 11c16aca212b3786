#pragma once
// Helpers shared by the test suites: scratch folders, files, recorded
// messages and environment overrides.

#include "base/Messages.h"
#include "base/Platform.h"
#include "base/Text.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace launcher::test {

// A fresh folder under the system's temporary folder, removed with its
// content when the test ends.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder's path, or a path inside it, as launcher text.
    std::u16string text() const;
    std::u16string text(std::u16string_view relative) const;

private:
    std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& file, std::string_view bytes);
std::string readBytes(const std::filesystem::path& file);
// Machine fields of a PE file header.
inline constexpr uint16_t kPeMachineI386 = 0x014C;
inline constexpr uint16_t kPeMachineAmd64 = 0x8664;
// The headers of a DLL for machine, as far as a bitness test reads them: DOS
// header, "PE" signature, file header naming the machine, and an empty
// optional header of the format that machine uses (PE32 for i386, PE32+
// otherwise). Never loaded.
std::string libraryHeaders(uint16_t machine);
inline constexpr uint16_t kPeMachineArm64 = 0xAA64;
// A runtime library of the platform's format (PE on Windows, ELF on Linux)
// as far as the search reads it, built for that machine.
enum class Machine { X64, X86, Arm64 };
std::string libraryImage(Machine machine);
// The machine this test build (and the launcher built with it) runs as,
// and the other width of the x64/x86 pair: a runtime of the other width is
// one this build cannot load.
inline constexpr Machine kOwnMachine = kArm64Build ? Machine::Arm64 : sizeof(void*) == 4 ? Machine::X86 : Machine::X64;
inline constexpr Machine kOtherWidth = sizeof(void*) == 4 ? Machine::X64 : Machine::X86;
// Writes launcher text as UTF-8.
void writeText(const std::filesystem::path& file, std::u16string_view text);
std::filesystem::path toPath(std::u16string_view text);
// A path written with "/" in the platform's separator.
std::u16string nativePath(std::u16string_view slashed);
// A runtime's home folder as the search keeps it: with the separator at its end.
std::u16string home(std::u16string_view folder);
// The folder of the running test program, where the built programs are.
std::filesystem::path builtProgramFolder();
// The build folder above it, which also holds the built Java programs.
std::filesystem::path buildFolder();

// Collects every message the code under test shows, instead of showing it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    const std::vector<std::u16string>& messages() const;

private:
    MessageHandler previous_;
};

// Sets (or, given no value, removes) an environment variable for the
// test's duration.
class EnvironmentOverride {
public:
    EnvironmentOverride(std::u16string name, std::optional<std::u16string_view> value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    std::u16string name_;
    std::optional<std::u16string> old_;
};

} // namespace launcher::test
