#include "instance/IntegrityLabel.h"
#include "base/Text.h"
#include "instance/ObjectTrust.h"

namespace launcher {

namespace {

// The short names SDDL has for the usual levels; any other level is
// written as its label SID.
std::u16string levelTrustee(uint32_t level) {
    switch (level) {
    case kIntegrityLow: return u"LW";
    case kIntegrityMedium: return u"ME";
    case kIntegrityHigh: return u"HI";
    case kIntegritySystem: return u"SI";
    default: return u"S-1-16-" + toDecimal(static_cast<long long>(level));
    }
}

} // namespace

std::u16string integrityLabelSddl(uint32_t level) {
    // ML: mandatory label; NW, NR, NX: no write, read or execute up.
    return u"S:(ML;;NWNRNX;;;" + levelTrustee(level) + u")";
}

} // namespace launcher
