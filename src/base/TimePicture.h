#pragma once
// Date and time pictures ("yyyy-MM-dd", "HH:mm:ss tt") read the way the
// Windows locale functions GetTimeFormatW and GetDateFormatW read them.
// Both targets format with this code, so a picture gives the same text on
// Windows and on Linux; only the words (month and day names, AM/PM, era)
// come from the user's locale.

#include <array>
#include <string>
#include <string_view>

namespace launcher {

// A local date and time on the Gregorian calendar, as the clock gives it.
struct DateTime {
    int year = 1601;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;  // 0 to 23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// 0 for Sunday to 6 for Saturday, computed from the date.
int dayOfWeek(const DateTime& time);

// The words a picture can put into the text.
struct TimeNames {
    std::array<std::u16string, 12> months;
    std::array<std::u16string, 12> abbreviatedMonths;
    std::array<std::u16string, 7> days; // Sunday first
    std::array<std::u16string, 7> abbreviatedDays;
    std::u16string am;
    std::u16string pm;
    std::u16string era;
};

// The words of English (United States).
TimeNames englishTimeNames();

// Time pictures: h hh (12-hour clock), H HH, m mm, s ss, t (first letter
// of the marker), tt. Longer runs count as the two-letter form.
std::u16string formatTimePicture(std::u16string_view picture, const DateTime& time, const TimeNames& names);

// Date pictures: d dd ddd dddd, M MM MMM MMMM, y (last digit), yy, yyy and
// longer (whole year), g and longer (era).
std::u16string formatDatePicture(std::u16string_view picture, const DateTime& time, const TimeNames& names);

// Both sets in one pass. Formatting the time pictures first and their
// result as date pictures would read the output again: the marker "PM"
// would become "P" and the month, and quoted text would lose its quotes
// before the date pass. One pass keeps every produced or quoted text as it
// is.
std::u16string formatDateTimePicture(std::u16string_view picture, const DateTime& time, const TimeNames& names);

// In all three: text in single quotes is copied without the quotes, two
// quotes inside quoted text give one quote, an unclosed quote runs to the
// end, and every other character is copied.

} // namespace launcher
