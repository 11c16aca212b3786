#pragma once
// The integrity label that the single-instance objects are created with.
//
// An object created without a label is read as medium, so the objects of
// an elevated start would look lower than the elevated start that comes
// next, and it would run on its own. The label names the creator's own
// level, so launches of one level meet. It also forbids reading, writing
// and executing from below: a process of lower integrity cannot open the
// hand-over lock even for waiting (waiting counts as "execute" for a
// mutex), so it cannot hold it and keep every launch waiting.

#include <cstdint>
#include <string>

namespace launcher {

// The security descriptor text (SDDL) of a mandatory label at level: only
// a system ACL, so owner and access list stay the creator's defaults.
std::u16string integrityLabelSddl(uint32_t level);

} // namespace launcher
