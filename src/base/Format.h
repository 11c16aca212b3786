#pragma once
// printf-style formatting on UTF-16 for the message table, which uses only
// %s (text) and %d (signed decimal). "%%" gives one percent sign; a directive
// without an argument, or of another kind, is copied as written.

#include <string>
#include <string_view>
#include <variant>
#include <initializer_list>

namespace launcher {

using FormatArg = std::variant<std::u16string_view, long long>;

std::u16string formatMessage(std::u16string_view format, std::initializer_list<FormatArg> args);

} // namespace launcher
