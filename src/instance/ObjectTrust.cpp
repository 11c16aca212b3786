#include "instance/ObjectTrust.h"

namespace launcher {

bool acceptExistingObject(const ObjectSecurity& object, uint32_t ownIntegrity) {
    switch (object.owner) {
    case ObjectOwner::Absent: return true;
    case ObjectOwner::Other: return false;
    case ObjectOwner::CurrentUser: return object.integrity.value_or(kIntegrityMedium) >= ownIntegrity;
    }
    return false;
}

} // namespace launcher
