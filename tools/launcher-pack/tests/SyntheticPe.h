#pragma once
// Small executables made in memory for the tests: headers, sections with
// recognisable bytes, an optional resource section and appended data.

#include "ResourceTree.h"

#include <optional>

namespace launcher::pack::test {

struct SyntheticPe {
    bool pe32Plus = true;
    uint16_t machine = 0; // 0: x64 for PE32+, x86 for PE32
    // Sections in order; the one named ".rsrc" gets the resource directory.
    std::vector<std::string> sections = {".text", ".rsrc", ".reloc"};
    ResourceList resources;
    std::string overlay;          // appended after the sections
    bool symbolsInOverlay = false; // the COFF symbol table points at the overlay
    uint32_t headerSize = 0x400;

    Bytes build() const;
};

// The bytes a section named name holds in a built image.
Bytes sectionFill(const std::string& name, size_t size);

Resource resource(uint16_t type, uint16_t id, uint16_t language, std::string data);
Resource namedResource(std::u16string type, std::u16string name, std::string data);

} // namespace launcher::pack::test
