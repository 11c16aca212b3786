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
// The library's name below its flavour folder, separator first.
std::u16string_view jvmLibraryFile();

// home + the library path of a flavour: "bin\<flavour>\jvm.dll" on Windows,
// "lib/<flavour>/libjvm.so" on Linux. home ends in a separator.
std::u16string jvmLibraryPath(std::u16string_view home, std::u16string_view flavour);

// Where below a home the runtime's libraries may be, in probing order: the
// home itself, then (for a Java 8 development kit) its "jre" folder; in
// each, the library folder ("bin\" on Windows; "lib/", then Java 8's
// "lib/amd64/" on Linux). Each ends in a separator. With the jre folder
// ignored, the home's own folders only.
enum class JreFolder { Probed, Ignored };
std::vector<std::u16string> runtimeLibraryFolders(std::u16string_view home, JreFolder jre = JreFolder::Probed);

// The first library of the type's flavours that exists under home, in any
// of its library folders. A folder that does not exist is not probed
// flavour by flavour.
template <typename Exists>
JvmLibrary findJvmLibraryWith(std::u16string_view home, JvmTypeCode type, Exists exists,
                              JreFolder jre = JreFolder::Probed) {
    const std::vector<std::u16string_view> flavours = jvmFlavoursFor(type);
    bool first = true;
    for (const std::u16string& folder : runtimeLibraryFolders(home, jre)) {
        if (!first && !exists(std::u16string_view(folder).substr(0, folder.size() - 1))) continue;
        first = false;
        for (std::u16string_view flavour : flavours) {
            std::u16string path = folder;
            path.append(flavour);
            path.append(jvmLibraryFile());
            if (exists(path)) return {path, flavour == u"server"};
        }
    }
    return {};
}
JvmLibrary findJvmLibrary(std::u16string_view home, JvmTypeCode type);
JvmLibrary findJvmLibrary(std::u16string_view home, JvmTypeCode type, JreFolder jre);

// True when folder (ending in a separator) holds the runtime's own native
// library ("bin\java.dll"; Linux "lib/libjava.so"), or a Java 8 development
// kit's runtime does in its "jre" folder: the mark of a runtime home.
bool isJavaHome(std::u16string_view folder, JreFolder jre = JreFolder::Probed);

// folder with a trailing separator.
std::u16string withTrailingSeparator(std::u16string_view folder);

} // namespace launcher
