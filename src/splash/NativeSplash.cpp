#include "splash/NativeSplash.h"
#include "base/FileFinder.h"
#include "base/PathText.h"
#include "base/Platform.h"
#include "base/Text.h"

namespace launcher {

namespace {

// One component off the end; nothing to cut leaves the text as it is.
std::u16string_view withoutLastComponent(std::u16string_view path) {
    size_t cut = path.rfind(kPathSeparator);
    return cut == std::u16string_view::npos ? path : path.substr(0, cut);
}

template <typename Function>
void lookUp(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(splashLibraryExport(library, name));
}

} // namespace

bool loadSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath, SplashEntryPoints& entries) {
    void* library = openSplashLibrary(libraryPath, jvmPath);
    if (!library) return false;
    lookUp(library, "SplashInit", entries.init);
    lookUp(library, "SplashLoadFile", entries.loadFile);
    lookUp(library, "SplashSetFileJarName", entries.setFileJarName);
    lookUp(library, "SplashClose", entries.close);
    return true;
}

std::u16string splashLibraryCandidate(std::u16string_view jvmPath) {
    // <home>\bin\server\jvm.dll gives <home>\bin; <home>/lib/server/libjvm.so
    // gives <home>/lib, where each runtime keeps its splash library.
    std::u16string_view folder = withoutLastComponent(withoutLastComponent(jvmPath));
    if (folder.empty()) return {};
    std::u16string path(folder);
    if (path.back() != u'\\' && path.back() != u'/') path += kPathSeparator;
    path += kSplashLibraryName;
    return path;
}

std::u16string findSplashLibrary(std::u16string_view jvmPath) {
    std::u16string path = splashLibraryCandidate(jvmPath);
    if (path.empty() || !pathExists(path)) return {};
    return path;
}

bool startSplashWith(const SplashEntryPoints& entries, const std::u16string& imagePath, SplashCloseAction& close) {
    close.hold(entries.close);
    if (!entries.init || !entries.loadFile || !entries.setFileJarName) return false;
    // The results are not looked at: a picture the runtime cannot read simply
    // shows nothing.
    entries.init();
    std::string narrowImage = toNarrow(imagePath);
    entries.loadFile(narrowImage.c_str());
    entries.setFileJarName(narrowImage.c_str(), "");
    return true;
}

bool startNativeSplash(const std::u16string& libraryPath, const std::u16string& jvmPath,
                       const std::u16string& imagePath, SplashCloseAction& close) {
    SplashEntryPoints entries;
    if (!loadSplashLibrary(libraryPath, jvmPath, entries)) return false;
    return startSplashWith(entries, imagePath, close);
}

} // namespace launcher
