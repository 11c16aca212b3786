#include "base/Messages.h"
#include "base/ConsoleVariant.h"
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

} // namespace

std::u16string loadMessage(MessageId id) {
    for (const TableEntry& entry : kMessages) {
        if (entry.id == static_cast<uint16_t>(id)) return entry.text;
    }
    return {};
}

int presentError(WindowHandle, std::u16string_view text) {
    // The name's bytes as they are: a name that is not UTF-8 stays recognisable.
    std::string line = program_invocation_short_name;
    line += toUtf8(messageLine(u"", text));
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 1; // the one answer a message box has: OK
}

} // namespace launcher
