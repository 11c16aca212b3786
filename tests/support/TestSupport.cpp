#include "support/TestSupport.h"
#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/ModulePath.h"
#include "base/PathText.h"
#include "base/Platform.h"

#include <atomic>
#include <cstdint>
#include <chrono>
#include <fstream>
#include <random>

namespace launcher::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::random_device random;
    std::string name = "launcher-test-" + std::to_string(stamp) + "-" + std::to_string(random()) + "-" +
                       std::to_string(counter++);
    path_ = fs::temp_directory_path() / name;
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::u16string TempFolder::text() const { return path_.u16string(); }

std::u16string TempFolder::text(std::u16string_view relative) const {
    return (path_ / fs::path(std::u16string(relative))).u16string();
}

void writeBytes(const fs::path& file, std::string_view bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string libraryHeaders(uint16_t machine) {
    const bool pe32 = machine == kPeMachineI386;
    const uint32_t optionalSize = pe32 ? 0xE0 : 0xF0;
    std::string bytes(0x80 + 24 + optionalSize, '\0');
    auto put = [&bytes](size_t offset, uint32_t value, size_t width) {
        for (size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
    };
    put(0, 0x5A4D, 2);
    put(0x3C, 0x80, 4);
    put(0x80, 0x00004550, 4);
    put(0x84, machine, 2);
    put(0x94, optionalSize, 2);
    // Executable DLL; a 32-bit machine word, or large addresses for PE32+.
    put(0x96, pe32 ? 0x2102 : 0x2022, 2);
    put(0x98, pe32 ? 0x010B : 0x020B, 2);
    return bytes;
}

std::string libraryImage(Machine machine) {
    if (kWindows) {
        return libraryHeaders(machine == Machine::X64 ? kPeMachineAmd64
                              : machine == Machine::X86 ? kPeMachineI386 : kPeMachineArm64);
    }
    // ELF header: class (32/64-bit), little-endian, version, shared object,
    // machine (i386 3, x86-64 62, AArch64 183).
    std::string bytes(64, '\0');
    bytes.replace(0, 4, "\x7f" "ELF");
    bytes[4] = machine == Machine::X86 ? 1 : 2;
    bytes[5] = 1;
    bytes[6] = 1;
    bytes[16] = 3;
    bytes[18] = static_cast<char>(machine == Machine::X64 ? 62 : machine == Machine::X86 ? 3 : 183);
    return bytes;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& file, std::u16string_view text) { writeBytes(file, toUtf8(text)); }

fs::path toPath(std::u16string_view text) { return fs::path(std::u16string(text)); }

std::u16string nativePath(std::u16string_view slashed) {
    std::u16string path(slashed);
    replaceAll(path, u'/', kPathSeparator);
    return path;
}

std::u16string home(std::u16string_view folder) {
    std::u16string path(folder);
    path.push_back(kPathSeparator);
    return path;
}

fs::path builtProgramFolder() {
    std::u16string self;
    readModulePath(self);
    return toPath(folderOf(self));
}

fs::path buildFolder() { return builtProgramFolder().parent_path(); }

namespace {
std::vector<std::u16string>& recorded() {
    static std::vector<std::u16string> messages;
    return messages;
}
int record(WindowHandle, std::u16string_view text) {
    recorded().emplace_back(text);
    return 1;
}
} // namespace

MessageRecorder::MessageRecorder() : previous_(setMessageHandler(&record)) { recorded().clear(); }
MessageRecorder::~MessageRecorder() { setMessageHandler(previous_); }
const std::vector<std::u16string>& MessageRecorder::messages() const { return recorded(); }

EnvironmentOverride::EnvironmentOverride(std::u16string name, std::optional<std::u16string_view> value)
    : name_(std::move(name)), old_(getEnvironmentVariable(name_)) {
    if (value) {
        setEnvironmentVariable(name_, *value);
    } else {
        unsetEnvironmentVariable(name_);
    }
}

EnvironmentOverride::~EnvironmentOverride() {
    if (old_) {
        setEnvironmentVariable(name_, *old_);
    } else {
        unsetEnvironmentVariable(name_);
    }
}

} // namespace launcher::test
