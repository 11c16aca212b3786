#include "base/LocalTime.h"
#include "base/Text.h"

#include <langinfo.h>
#include <locale.h>
#include <string_view>
#include <time.h>

namespace launcher {

DateTime readLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                    local.tm_min,         local.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
}

TimeNames readUserTimeNames() {
    TimeNames names = englishTimeNames();
    // The user's LC_TIME, read without changing the process's own locale.
    locale_t user = newlocale(LC_TIME_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return names;
    // The words come in the locale's character set; launcher text is read
    // as UTF-8, so other sets keep the English words. ASCII words (the C
    // locale's) read the same either way.
    const bool utf8 = std::string_view(nl_langinfo_l(CODESET, user)) == "UTF-8";
    auto take = [&](nl_item item, std::u16string& word) {
        std::string_view text = nl_langinfo_l(item, user);
        bool ascii = true;
        for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (utf8 || ascii) word = fromUtf8(text);
    };
    for (int i = 0; i < 12; ++i) {
        take(MON_1 + i, names.months[i]);
        take(ABMON_1 + i, names.abbreviatedMonths[i]);
    }
    for (int i = 0; i < 7; ++i) {
        take(DAY_1 + i, names.days[i]);
        take(ABDAY_1 + i, names.abbreviatedDays[i]);
    }
    take(AM_STR, names.am);
    take(PM_STR, names.pm);
    // Locales name no era of the Gregorian calendar; the English one stays.
    freelocale(user);
    return names;
}

} // namespace launcher
