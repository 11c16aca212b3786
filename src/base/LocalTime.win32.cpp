#include "base/LocalTime.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {

// A locale or calendar text read whole: the first call gives its size.
template <typename Read>
std::u16string readWhole(Read read) {
    int size = read(nullptr, 0);
    if (size <= 0) return {};
    std::u16string text(static_cast<size_t>(size), u'\0');
    size = read(wide(text), size);
    if (size <= 0) return {};
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
}

std::u16string localeText(LCTYPE type) {
    return readWhole([type](wchar_t* buffer, int size) { return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, size); });
}

} // namespace

DateTime readLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

TimeNames readUserTimeNames() {
    TimeNames names;
    for (int i = 0; i < 12; ++i) {
        names.months[i] = localeText(LOCALE_SMONTHNAME1 + i);
        names.abbreviatedMonths[i] = localeText(LOCALE_SABBREVMONTHNAME1 + i);
    }
    // The locale's day names start on Monday; the table starts on Sunday.
    for (int i = 0; i < 7; ++i) {
        names.days[(i + 1) % 7] = localeText(LOCALE_SDAYNAME1 + i);
        names.abbreviatedDays[(i + 1) % 7] = localeText(LOCALE_SABBREVDAYNAME1 + i);
    }
    names.am = localeText(LOCALE_S1159);
    names.pm = localeText(LOCALE_S2359);
    // Dates are always Gregorian here, so the era is the Gregorian one.
    names.era = readWhole([](wchar_t* buffer, int size) {
        return GetCalendarInfoW(LOCALE_USER_DEFAULT, CAL_GREGORIAN, CAL_SERASTRING, buffer, size, nullptr);
    });
    return names;
}

} // namespace launcher
