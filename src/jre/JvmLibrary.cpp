#include "jre/JvmLibrary.h"
#include "base/FileFinder.h"
#include "base/Platform.h"

namespace launcher {

namespace {

constexpr std::u16string_view kArchitectureLibFolder = kArm64Build           ? u"lib/aarch64/"
                                                       : sizeof(void*) == 4 ? u"lib/i386/"
                                                                            : u"lib/amd64/";

} // namespace

std::vector<std::u16string_view> jvmFlavoursFor(JvmTypeCode type) {
    static constexpr std::u16string_view kFlavours[] = {u"client", u"classic", u"hotspot", u"server", u"jrockit"};
    std::vector<std::u16string_view> flavours;
    if (type != JvmTypeCode::Any) flavours.push_back(u"server");
    if (type != JvmTypeCode::Server) flavours.insert(flavours.end(), std::begin(kFlavours), std::end(kFlavours));
    return flavours;
}

std::u16string_view jvmLibraryFile() { return kWindows ? u"\\jvm.dll" : u"/libjvm.so"; }

std::u16string jvmLibraryPath(std::u16string_view home, std::u16string_view flavour) {
    std::u16string path(home);
    path.append(kWindows ? u"bin\\" : u"lib/");
    path.append(flavour);
    path.append(jvmLibraryFile());
    return path;
}

std::vector<std::u16string> runtimeLibraryFolders(std::u16string_view home, JreFolder jre) {
    // Linux runtimes up to Java 8 keep their libraries in a folder named
    // after the machine.
    static constexpr std::u16string_view kFolders[] = {kWindows ? u"bin\\" : u"lib/",
                                                       kWindows ? u"" : kArchitectureLibFolder};
    std::vector<std::u16string> folders;
    for (std::u16string_view below : {std::u16string_view(), std::u16string_view(kWindows ? u"jre\\" : u"jre/")}) {
        if (!below.empty() && jre == JreFolder::Ignored) break;
        for (std::u16string_view folder : kFolders) {
            if (folder.empty()) continue;
            std::u16string path(home);
            path.append(below);
            path.append(folder);
            folders.push_back(std::move(path));
        }
    }
    return folders;
}

JvmLibrary findJvmLibrary(std::u16string_view home, JvmTypeCode type) {
    return findJvmLibrary(home, type, JreFolder::Probed);
}

JvmLibrary findJvmLibrary(std::u16string_view home, JvmTypeCode type, JreFolder jre) {
    return findJvmLibraryWith(home, type, [](std::u16string_view path) { return pathExists(path); }, jre);
}

bool isJavaHome(std::u16string_view folder, JreFolder jre) {
    for (const std::u16string& libraries : runtimeLibraryFolders(folder, jre)) {
        if (pathExists(libraries + (kWindows ? u"java.dll" : u"libjava.so"))) return true;
    }
    return false;
}

std::u16string withTrailingSeparator(std::u16string_view folder) {
    std::u16string out(folder);
    if (out.empty() || out.back() != kPathSeparator) out.push_back(kPathSeparator);
    return out;
}

} // namespace launcher
