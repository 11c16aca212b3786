#include "base/ConsoleVariant.h"
#include "base/PathText.h"
#include "base/Text.h"

namespace launcher {

std::u16string messageLine(std::u16string_view program, std::u16string_view text) {
    std::u16string line(program);
    line += u": ";
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == u'\n' || text[end - 1] == u'\r')) --end;
    for (char16_t c : text.substr(0, end)) line.push_back(c == u'\n' || c == u'\r' ? u' ' : c);
    return line;
}

std::u16string programNameOf(std::u16string_view modulePath) {
    std::u16string name = fileNameOf(modulePath);
    if (name.size() > 4 && equalsIgnoreCase(std::u16string_view(name).substr(name.size() - 4), u".exe")) {
        name.resize(name.size() - 4);
    }
    return name;
}

} // namespace launcher
