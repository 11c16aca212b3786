#include "base/TimePicture.h"
#include "base/Text.h"

namespace launcher {

namespace {

struct PictureLetters {
    bool time;
    bool date;
};

bool isTimeLetter(char16_t c) {
    return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't';
}

bool isDateLetter(char16_t c) {
    return c == u'd' || c == u'M' || c == u'y' || c == u'g';
}

void appendNumber(std::u16string& out, long long value, size_t minimumDigits) {
    std::u16string digits = toDecimal(value);
    if (digits.size() < minimumDigits) out.append(minimumDigits - digits.size(), u'0');
    out.append(digits);
}

// A field outside its range picks no word rather than reading past a table.
template <size_t N>
const std::u16string& nameAt(const std::array<std::u16string, N>& names, long long index) {
    static const std::u16string none;
    return index >= 0 && index < static_cast<long long>(N) ? names[index] : none;
}

// The first character of a marker, both halves of a surrogate pair.
std::u16string firstCharacter(const std::u16string& text) {
    if (text.empty()) return text;
    bool pair = text.size() > 1 && text[0] >= 0xD800 && text[0] <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF;
    return text.substr(0, pair ? 2 : 1);
}

void appendTimeField(std::u16string& out, char16_t letter, size_t count, const DateTime& time,
                     const TimeNames& names) {
    const size_t digits = count >= 2 ? 2 : 1;
    switch (letter) {
    case u'h': {
        int hour = time.hour % 12;
        appendNumber(out, hour == 0 ? 12 : hour, digits);
        break;
    }
    case u'H': appendNumber(out, time.hour, digits); break;
    case u'm': appendNumber(out, time.minute, digits); break;
    case u's': appendNumber(out, time.second, digits); break;
    default: {
        const std::u16string& marker = time.hour < 12 ? names.am : names.pm;
        out.append(count == 1 ? firstCharacter(marker) : marker);
        break;
    }
    }
}

void appendDateField(std::u16string& out, char16_t letter, size_t count, const DateTime& time,
                     const TimeNames& names) {
    switch (letter) {
    case u'd':
        if (count <= 2) appendNumber(out, time.day, count);
        else out.append(nameAt(count == 3 ? names.abbreviatedDays : names.days, dayOfWeek(time)));
        break;
    case u'M':
        if (count <= 2) appendNumber(out, time.month, count);
        else out.append(nameAt(count == 3 ? names.abbreviatedMonths : names.months, time.month - 1LL));
        break;
    case u'y':
        if (count == 1) appendNumber(out, time.year % 10, 1);
        else if (count == 2) appendNumber(out, time.year % 100, 2);
        else appendNumber(out, time.year, 1);
        break;
    default: out.append(names.era); break;
    }
}

// Copies quoted text from just after the opening quote; returns the position
// after the closing quote (or the end).
size_t appendQuoted(std::u16string& out, std::u16string_view picture, size_t i) {
    while (i < picture.size()) {
        if (picture[i] == u'\'') {
            if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                out.push_back(u'\'');
                i += 2;
                continue;
            }
            return i + 1;
        }
        out.push_back(picture[i++]);
    }
    return i;
}

std::u16string formatPicture(std::u16string_view picture, const DateTime& time, const TimeNames& names,
                             PictureLetters letters) {
    std::u16string out;
    size_t i = 0;
    while (i < picture.size()) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            i = appendQuoted(out, picture, i + 1);
            continue;
        }
        const bool timeField = letters.time && isTimeLetter(c);
        const bool dateField = letters.date && isDateLetter(c);
        if (!timeField && !dateField) {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t count = 1;
        while (i + count < picture.size() && picture[i + count] == c) ++count;
        if (timeField) appendTimeField(out, c, count, time, names);
        else appendDateField(out, c, count, time, names);
        i += count;
    }
    return out;
}

} // namespace

int dayOfWeek(const DateTime& time) {
    // Sakamoto's method; the month is brought into range first so that any
    // value gives a weekday instead of an index past the table.
    static const int kMonthOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    long long month = ((time.month - 1LL) % 12 + 12) % 12;
    long long year = time.year - (month < 2 ? 1 : 0);
    auto floorDiv = [](long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
    long long day = year + floorDiv(year, 4) - floorDiv(year, 100) + floorDiv(year, 400) + kMonthOffsets[month] + time.day;
    return static_cast<int>((day % 7 + 7) % 7);
}

TimeNames englishTimeNames() {
    return TimeNames{
        {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August", u"September", u"October",
         u"November", u"December"},
        {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"},
        {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"},
        {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"},
        u"AM",
        u"PM",
        u"A.D.",
    };
}

std::u16string formatTimePicture(std::u16string_view picture, const DateTime& time, const TimeNames& names) {
    return formatPicture(picture, time, names, {true, false});
}

std::u16string formatDatePicture(std::u16string_view picture, const DateTime& time, const TimeNames& names) {
    return formatPicture(picture, time, names, {false, true});
}

std::u16string formatDateTimePicture(std::u16string_view picture, const DateTime& time, const TimeNames& names) {
    return formatPicture(picture, time, names, {true, true});
}

} // namespace launcher
