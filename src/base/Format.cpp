#include "base/Format.h"
#include "base/Text.h"

namespace launcher {

std::u16string formatMessage(std::u16string_view format, std::initializer_list<FormatArg> args) {
    std::u16string out;
    out.reserve(format.size() + 64);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char16_t c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            out.push_back(c);
            continue;
        }
        char16_t kind = format[i + 1];
        if (kind == u'%') {
            out.push_back(u'%');
            ++i;
            continue;
        }
        if ((kind != u's' && kind != u'd') || next == args.end()) {
            out.push_back(c);
            continue;
        }
        const FormatArg& arg = *next++;
        if (const auto* text = std::get_if<std::u16string_view>(&arg)) {
            out.append(kind == u's' ? *text : std::u16string_view());
        } else {
            long long number = std::get<long long>(arg);
            out.append(toDecimal(number));
        }
        ++i;
    }
    return out;
}

} // namespace launcher
