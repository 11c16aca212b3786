#include "jre/JvmLibrary.h"
#include "base/FileFinder.h"
#include "base/Platform.h"

namespace launcher {

std::vector<std::u16string_view> jvmFlavoursFor(JvmTypeCode type) {
    static constexpr std::u16string_view kFlavours[] = {u"client", u"classic", u"hotspot", u"server", u"jrockit"};
    std::vector<std::u16string_view> flavours;
    if (type != JvmTypeCode::Any) flavours.push_back(u"server");
    if (type != JvmTypeCode::Server) flavours.insert(flavours.end(), std::begin(kFlavours), std::end(kFlavours));
    return flavours;
}

std::u16string jvmLibraryPath(std::u16string_view home, std::u16string_view flavour) {
    std::u16string path(home);
    path.append(kWindows ? u"bin\\" : u"lib/");
    path.append(flavour);
    path.append(kWindows ? u"\\jvm.dll" : u"/libjvm.so");
    return path;
}

JvmLibrary findJvmLibrary(std::u16string_view home, JvmTypeCode type) {
    return findJvmLibraryWith(home, type, [](std::u16string_view path) { return pathExists(path); });
}

bool isJavaHome(std::u16string_view folder) {
    std::u16string marker(folder);
    marker.append(kWindows ? u"bin\\java.dll" : u"lib/libjava.so");
    return pathExists(marker);
}

std::u16string withTrailingSeparator(std::u16string_view folder) {
    std::u16string out(folder);
    if (out.empty() || out.back() != kPathSeparator) out.push_back(kPathSeparator);
    return out;
}

} // namespace launcher
