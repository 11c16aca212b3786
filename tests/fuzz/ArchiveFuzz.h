#pragma once
// What every archive fuzz target checks for one archive's bytes.

#include "FuzzCheck.h"
#include "install/ArchiveFormat.h"
#include "install/EntryCheck.h"

#include <cstdint>
#include <span>
#include <string>

namespace launcher {

// Stops a bomb's data early so that one input cannot run for minutes; the
// reader must then report the refusal, not carry on.
inline constexpr uint64_t kFuzzDataLimit = 16u << 20;

inline void checkAdmittedPath(const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        FUZZ_CHECK(!part.empty() && part != "." && part != "..");
        FUZZ_CHECK(part.find_first_of("/\\:") == std::string::npos);
    }
}

inline void fuzzArchive(std::span<const uint8_t> bytes) {
    MemorySource source(bytes);
    std::u16string error;
    std::unique_ptr<ArchiveReader> reader = openArchiveReader(source, error);
    if (!reader) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    EntryGate gate(bytes.size());
    uint64_t total = 0;
    for (int entries = 0; entries < 10000; ++entries) {
        ArchiveEntry entry;
        const ArchiveReader::Step step = reader->next(entry);
        if (step != ArchiveReader::Step::Entry) {
            FUZZ_CHECK(step == ArchiveReader::Step::End || !reader->error().empty());
            return;
        }
        if (std::optional<std::vector<std::string>> parts = gate.admit(entry)) {
            checkAdmittedPath(*parts);
            FUZZ_CHECK(!gate.topFolder().empty());
        }
        uint64_t length = 0;
        const bool read = reader->readData([&](std::span<const uint8_t> piece) {
            FUZZ_CHECK(!piece.empty());
            length += piece.size();
            total += piece.size();
            return total <= kFuzzDataLimit;
        });
        if (!read) {
            FUZZ_CHECK(!reader->error().empty());
            return;
        }
        // Whatever the data's own form, what reached the sink is exactly
        // what the entry declared.
        FUZZ_CHECK(length == entry.size);
    }
}

} // namespace launcher
