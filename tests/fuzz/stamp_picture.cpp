// Feeds arbitrary pictures and clock readings to the date and time picture
// rules and to the stamping of a file name, and checks what must hold for
// every input.

#include "FuzzCheck.h"
#include "base/Text.h"
#include "base/TimePicture.h"
#include "vmopts/RedirectNames.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace launcher;

namespace {

constexpr std::u16string_view kTimeLetters = u"hHmst";
constexpr std::u16string_view kDateLetters = u"dMyg";

bool holdsAny(std::u16string_view text, std::u16string_view letters) {
    return text.find_first_of(letters) != std::u16string_view::npos;
}

// The first bytes are the clock: every field within the range the clock
// gives, the day up to 31 in any month.
DateTime timeFrom(const uint8_t* data) {
    DateTime t;
    t.year = 1601 + (data[0] << 8 | data[1]) % 29227;
    t.month = 1 + data[2] % 12;
    t.day = 1 + data[3] % 31;
    t.hour = data[4] % 24;
    t.minute = data[5] % 60;
    t.second = data[6] % 60;
    t.millisecond = (data[7] << 8 | data[8]) % 1000;
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    const DateTime time = timeFrom(data);
    const std::u16string picture = fromUtf8(std::string_view(reinterpret_cast<const char*>(data + 9), size - 9));
    const TimeNames names = englishTimeNames();

    const std::u16string both = formatDateTimePicture(picture, time, names);
    // No English word, number or era is longer than nine characters, and
    // each takes at least one character of the picture.
    FUZZ_CHECK(both.size() <= 9 * picture.size());
    const bool quoted = picture.find(u'\'') != std::u16string::npos;
    if (!quoted && !holdsAny(picture, kTimeLetters) && !holdsAny(picture, kDateLetters)) FUZZ_CHECK(both == picture);
    // With one set absent the one pass is that set's pass.
    if (!holdsAny(picture, kDateLetters)) FUZZ_CHECK(both == formatTimePicture(picture, time, names));
    if (!holdsAny(picture, kTimeLetters)) FUZZ_CHECK(both == formatDatePicture(picture, time, names));

    // A name keeps what stands outside its first and last percent sign.
    const std::u16string before = u"C:\\logs\\out_";
    const std::u16string after = u".log";
    std::u16string name = before + u"%" + picture + u"%" + after;
    stampFileName(name, time, names);
    FUZZ_CHECK(name.compare(0, before.size(), before) == 0);
    FUZZ_CHECK(name.size() >= before.size() + after.size());
    FUZZ_CHECK(name.compare(name.size() - after.size(), after.size(), after) == 0);
    if (picture.find(u'%') == std::u16string::npos && picture.find(u'L') == std::u16string::npos) {
        FUZZ_CHECK(name == before + both + after);
    }
    return 0;
}
