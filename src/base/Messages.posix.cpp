#include "base/Messages.h"
#include "base/Text.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace launcher {

namespace {

struct TableEntry {
    uint16_t id;
    const char16_t* text;
};

#define MESSAGE(id, text) {id, u##text},
constexpr TableEntry kMessages[] = {
#include "messages.def"
};
#undef MESSAGE

// A message box has room for several lines; standard error gets one line per
// message, so inner line breaks become spaces and trailing ones go.
std::string oneLine(std::u16string_view text) {
    std::u16string line(text);
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    for (char16_t& c : line) {
        if (c == u'\n' || c == u'\r') c = u' ';
    }
    return toUtf8(line);
}

} // namespace

std::u16string loadMessage(MessageId id) {
    for (const TableEntry& entry : kMessages) {
        if (entry.id == static_cast<uint16_t>(id)) return entry.text;
    }
    return {};
}

int presentError(WindowHandle, std::u16string_view text) {
    std::string line = program_invocation_short_name;
    line += ": ";
    line += oneLine(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 1; // the one answer a message box has: OK
}

} // namespace launcher
