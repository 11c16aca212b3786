#include "jvm/RuntimeLibrary.h"

namespace launcher {

std::u16string runtimeLibraryFolder(std::u16string_view jvmPath) {
    std::u16string folder(jvmPath);
    for (int i = 0; i < 2; ++i) {
        size_t cut = folder.rfind(kPathSeparator);
        if (cut != std::u16string::npos) folder.resize(cut);
    }
    return folder;
}

} // namespace launcher
