#pragma once
// The options the virtual machine is created with: narrow strings in the
// order they were added. Entries are only ever appended, so the order in
// which the run phase's steps add them is the order the runtime sees.

#include "base/Text.h"

#include <string>
#include <vector>

namespace launcher {

class VmOptionList {
public:
    // Adds the option in the platform's narrow text (the thread's ANSI code
    // page on Windows, UTF-8 on Linux), the encoding the runtime's
    // invocation interface reads option strings in.
    void append(std::u16string_view option);

    const std::vector<std::string>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<std::string> entries_;
};

} // namespace launcher
