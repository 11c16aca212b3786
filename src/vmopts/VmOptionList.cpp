#include "vmopts/VmOptionList.h"

namespace launcher {

void VmOptionList::append(std::u16string_view option) {
    entries_.push_back(toNarrow(option));
}

} // namespace launcher
