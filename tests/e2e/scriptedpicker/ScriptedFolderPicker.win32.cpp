// The folder picker of the test build of the launcher: Browse answers with
// the folder written in the file that LAUNCHER_TEST_PICK names (UTF-8), as
// if the user had chosen it in the shell's browser; no file, or an empty
// one, is a cancelled browse.

#include "base/Text.h"
#include "ui/FolderPicker.win32.h"

#include <fstream>
#include <iterator>

namespace launcher {

std::u16string pickFolder(HWND, const std::u16string&) {
    wchar_t file[32768];
    const DWORD length = GetEnvironmentVariableW(L"LAUNCHER_TEST_PICK", file, 32768);
    if (length == 0 || length >= 32768) return {};
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return fromUtf8(bytes);
}

} // namespace launcher
