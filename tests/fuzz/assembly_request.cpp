// Feeds arbitrary text to the reading of a background assembly's request,
// as the environment of any process may hold in its variable, and checks
// the properties every reading has.

#include "FuzzCheck.h"
#include "vmopts/AheadOfTimeCache.h"

#include <cstddef>
#include <cstdint>

using namespace launcher;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::optional<AssemblyRequest> request = decodeAssemblyRequest(text);
    if (!request) return 0;
    // Every path a step needs is there, and the runtime is only ever asked
    // to write a temporary file.
    FUZZ_CHECK(!request->jvmPath.empty() && !request->files.cache.empty() && !request->files.configuration.empty());
    FUZZ_CHECK(!request->files.failed.empty() && !request->files.lock.empty());
    if (request->step == AssemblyRequest::Assemble) {
        FUZZ_CHECK(request->temporary.size() >= 4 && request->temporary.ends_with(u".tmp"));
        const TextList options = aotAssemblyOptions(*request);
        FUZZ_CHECK(options.back() == u"-XX:AOTCache=" + request->temporary);
    }
    // Only the options a start hands on to the assembly.
    for (const std::u16string& option : request->options) FUZZ_CHECK(isAssemblyOption(option));
    // What was read, written again, reads back the same.
    FUZZ_CHECK(decodeAssemblyRequest(encodeAssemblyRequest(*request)) == request);
    return 0;
}
