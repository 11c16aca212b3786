#include "probe/StandinProbe.h"
#include "base/ModulePath.h"
#include "base/PathText.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

namespace launcher::test {

std::filesystem::path standinHome(std::string_view variant) {
    std::u16string self;
    readModulePath(self);
    // Test programs live in <build>/bin.
    return toPath(folderOf(folderOf(self))) / "standin" / std::string(variant);
}

std::filesystem::path standinLibrary(std::string_view variant) {
    return standinHome(variant) / (kWindows ? "bin/server/jvm.dll" : "lib/server/libjvm.so");
}

std::filesystem::path builtLauncher() {
    return standinHome("standard").parent_path().parent_path() / "bin" / (kWindows ? "launcher.exe" : "launcher");
}

} // namespace launcher::test
