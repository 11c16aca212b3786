#pragma once
// What the runtime search is asked to find: version bounds, preferred
// versions, the virtual machine flavour, and which kinds and vendors of
// installation are searched and preferred.

#include "base/Text.h"
#include "jre/VersionNumber.h"

#include <cstdint>

namespace launcher {

enum class JvmTypeCode : int32_t { Any = 0, Server = 1, FavorServer = 2 };

struct VendorFlags {
    bool jrockitSearched = false;
    bool jrockitPreferred = false;
    bool sunSearched = true;
    bool sunPreferred = true;
    bool ibmSearched = false;
    bool ibmPreferred = false;
    friend bool operator==(const VendorFlags&, const VendorFlags&) = default;
};

struct RuntimeCriteria {
    VersionNumber minimumVersion;
    VersionNumber maximumVersion;
    TextList preferredVersions;
    JvmTypeCode jvmType = JvmTypeCode::Any;
    bool favourKinds = true;
    bool jdkKind = false;
    bool jreKind = false;
    VendorFlags vendors;
    bool includeUserSources = true; // false: leave out what the unelevated user can write (HKCU keys, per-user folders, JAVA_HOME)
};

} // namespace launcher
