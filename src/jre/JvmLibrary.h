#pragma once
// Where a runtime keeps its virtual machine library, by flavour.

#include "jre/RuntimeCriteria.h"

namespace launcher {

struct JvmLibrary {
    std::u16string path; // empty: none found
    bool isServer = false;
};

// The flavours probed for a type, in probing order.
std::vector<std::u16string_view> jvmFlavoursFor(JvmTypeCode type);

// home + the library path of a flavour: "bin\<flavour>\jvm.dll" on Windows,
// "lib/<flavour>/libjvm.so" on Linux. home ends in a separator.
std::u16string jvmLibraryPath(std::u16string_view home, std::u16string_view flavour);

// The first library of the type's flavours that exists under home.
template <typename Exists>
JvmLibrary findJvmLibraryWith(std::u16string_view home, JvmTypeCode type, Exists exists) {
    for (std::u16string_view flavour : jvmFlavoursFor(type)) {
        std::u16string path = jvmLibraryPath(home, flavour);
        if (exists(path)) return {path, flavour == u"server"};
    }
    return {};
}
JvmLibrary findJvmLibrary(std::u16string_view home, JvmTypeCode type);

// True when folder (ending in a separator) holds the runtime's own native
// library ("bin\java.dll"; Linux "lib/libjava.so"): the mark of a runtime
// home.
bool isJavaHome(std::u16string_view folder);

// folder with a trailing separator.
std::u16string withTrailingSeparator(std::u16string_view folder);

} // namespace launcher
