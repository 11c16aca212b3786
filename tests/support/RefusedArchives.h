#pragma once
// The archives a runtime install must refuse, for the install tests of both
// the install step and the whole launcher: each is a sound runtime in one top
// folder with one thing wrong, beside the words its refusal must hold.

#include "support/ArchiveBuilder.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::test {

// The top folder of every archive here, as vendors name it.
inline constexpr std::string_view kRuntimeTop = "jdk-21.0.5+11-jre";

struct RefusedArchive {
    std::string what;
    std::string bytes;
    // Each is somewhere in the message the install shows.
    std::vector<std::u16string> words;
};

// runtime: the files of a runtime of this build's own width below
// kRuntimeTop, named relative to it; library: which of them is the runtime
// library. Without costly, the
// zip of more entries than the limit allows is left out: under Wine it takes
// half a minute to build and unpack, and its .tar.gz twin stays.
std::vector<RefusedArchive> refusedArchives(const std::vector<ZipItem>& runtime, const std::string& library,
                                            bool costly = true);

// A zip of runtime below kRuntimeTop.
std::string runtimeArchive(const std::vector<ZipItem>& runtime);
// A made-up runtime as far as an install reads one: a runtime library of
// the platform's format for machine, a program and a release file.
std::vector<ZipItem> fakeRuntime(Machine machine);
std::string fakeRuntimeLibrary();

// SHA-256 as 64 lower-case hex digits.
std::string checksumOf(std::string_view bytes);
// The names in folder, sorted; empty when it does not exist.
std::vector<std::string> namesInFolder(const std::filesystem::path& folder);

} // namespace launcher::test
