// installer_probe shortcut FILE.lnk: prints the shortcut's target, working
// folder and icon, one "key=value" line each, in UTF-8.

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

// Releases a COM interface when the scope ends.
template <typename T>
struct ComPointer {
    T* p = nullptr;
    ~ComPointer() {
        if (p) p->Release();
    }
};

int readShortcut(const wchar_t* file) {
    ComPointer<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p)))) {
        return 3;
    }
    ComPointer<IPersistFile> persist;
    if (FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist.p))) ||
        FAILED(persist.p->Load(file, STGM_READ))) {
        std::printf("error=cannot load\n");
        return 1;
    }
    wchar_t text[32768] = {};
    link.p->GetPath(text, 32768, nullptr, SLGP_RAWPATH);
    std::printf("target=%s\n", utf8(text).c_str());
    text[0] = 0;
    link.p->GetWorkingDirectory(text, 32768);
    std::printf("workdir=%s\n", utf8(text).c_str());
    text[0] = 0;
    int index = 0;
    link.p->GetIconLocation(text, 32768, &index);
    std::printf("icon=%s,%d\n", utf8(text).c_str(), index);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || std::wstring(argv[1]) != L"shortcut") {
        std::fprintf(stderr, "usage: installer_probe shortcut FILE.lnk\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int code = readShortcut(argv[2]);
    CoUninitialize();
    return code;
}
