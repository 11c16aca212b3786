#include "vmopts/RedirectNames.h"
#include "base/Environment.h"
#include "base/LocalTime.h"
#include "config/IniSource.h"
#include "config/SettingsReader.h"

namespace launcher {

namespace {

std::u16string expandedName(std::u16string_view name) {
    std::u16string text(name);
    if (!text.empty()) expandEnvironment(text);
    return text;
}

std::u16string readValue(IniSource& ini, std::u16string_view key) {
    std::u16string value;
    ini.getString(kApplicationSection, key, value);
    return value;
}

} // namespace

RedirectSettings redirectSettingsFrom(std::u16string_view outputFile, std::u16string_view outputAppend,
                                      std::u16string_view errorFile, std::u16string_view errorAppend) {
    // "yes" is compared with letter case: "Yes" truncates the file.
    return RedirectSettings{expandedName(outputFile), outputAppend == u"yes", expandedName(errorFile),
                            errorAppend == u"yes"};
}

RedirectSettings readRedirectSettings(IniSource& ini) {
    std::u16string outputFile = readValue(ini, u"Output File");
    std::u16string outputAppend = readValue(ini, u"Output Append");
    std::u16string errorFile = readValue(ini, u"Error File");
    std::u16string errorAppend = readValue(ini, u"Error Append");
    return redirectSettingsFrom(outputFile, outputAppend, errorFile, errorAppend);
}

bool needsStamp(std::u16string_view name) {
    return name.find(u'%') != std::u16string_view::npos;
}

void stampFileName(std::u16string& name, const DateTime& time, const TimeNames& names) {
    const size_t first = name.find(u'%');
    if (first == std::u16string::npos) return;
    const size_t last = name.rfind(u'%');
    std::u16string picture = name.substr(first + 1, last - first - (last > first ? 1 : 0));
    const std::u16string milliseconds = toDecimal(time.millisecond);
    for (size_t at = picture.find(u'L'); at != std::u16string::npos; at = picture.find(u'L', at)) {
        picture.replace(at, 1, milliseconds);
        at += milliseconds.size();
    }
    name = name.substr(0, first) + formatDateTimePicture(picture, time, names) + name.substr(last + 1);
}

void stampRedirectNames(RedirectSettings& settings, const StampClock& clock) {
    if (!needsStamp(settings.outputFile) && !needsStamp(settings.errorFile)) return;
    const StampTime now = clock();
    if (needsStamp(settings.outputFile)) stampFileName(settings.outputFile, now.time, now.names);
    if (needsStamp(settings.errorFile)) stampFileName(settings.errorFile, now.time, now.names);
}

void stampRedirectNames(RedirectSettings& settings) {
    stampRedirectNames(settings, [] { return StampTime{readLocalTime(), readUserTimeNames()}; });
}

} // namespace launcher
