#include "instance/ObjectLabel.win32.h"
#include "base/Wide.win32.h"
#include "instance/IntegrityLabel.h"

#include <sddl.h>

namespace launcher {

ObjectLabel::ObjectLabel(uint32_t level) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(wide(integrityLabelSddl(level)), SDDL_REVISION_1,
                                                             &descriptor, nullptr)) {
        descriptor_.reset(descriptor);
    }
    attributes_.nLength = sizeof(attributes_);
    attributes_.lpSecurityDescriptor = descriptor_.get();
    attributes_.bInheritHandle = FALSE;
}

} // namespace launcher
