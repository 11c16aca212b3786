#pragma once
// Security attributes that give a new kernel object an integrity label at
// a chosen level (see IntegrityLabel.h for why).

#include "base/Handles.win32.h"

#include <cstdint>

namespace launcher {

namespace detail {
inline void freeLocal(PSECURITY_DESCRIPTOR memory) { LocalFree(memory); }
} // namespace detail

class ObjectLabel {
public:
    // Usually this process's own level (processIntegrity()).
    explicit ObjectLabel(uint32_t level);

    // False when the system could not build the descriptor.
    explicit operator bool() const { return static_cast<bool>(descriptor_); }
    // For the Create* calls; null when there is no descriptor, so the object
    // gets the system's defaults (and no label) rather than not being made.
    SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
    UniqueResource<NullEmptyTraits<PSECURITY_DESCRIPTOR, detail::freeLocal>> descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

} // namespace launcher
