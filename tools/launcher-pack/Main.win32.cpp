#include "PackCommand.h"

#include "base/Text.h"

#include <iostream>

#include <windows.h>

// Arguments arrive as UTF-16 so that every file name reaches the tool whole,
// whatever the console's code page.
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8); // the report is UTF-8
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(launcher::toUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    }
    return launcher::pack::runLauncherPack(arguments, std::cout, std::cerr);
}
