#include "config/AppUserModelId.h"

namespace launcher {

namespace {

// Blanks beyond ASCII's: the shell would read them as the spaces they show.
constexpr std::u16string_view kWideBlanks = u"\u0085\u00A0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008"
                                            u"\u2009\u200A\u200B\u2028\u2029\u202F\u205F\u3000\uFEFF";

} // namespace

bool isAppUserModelId(std::u16string_view id) {
    if (id.empty() || id.size() > kAppUserModelIdLimit) return false;
    for (char16_t c : id) {
        if (c <= 0x20 || (c >= 0x7F && c < 0xA0) || kWideBlanks.find(c) != std::u16string_view::npos) return false;
    }
    return true;
}

} // namespace launcher
