#include "config/SettingTrace.h"

namespace launcher {

std::u16string settingTraceText(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                                SettingSource source, std::u16string_view filePath) {
    std::u16string text = u"setting [";
    text.append(section);
    text.append(u"] ");
    text.append(key);
    if (source == SettingSource::Unset) {
        text.append(u": not set, the default applies");
        return text;
    }
    text.append(u" = \"");
    text.append(value);
    text.append(u"\" from ");
    switch (source) {
    case SettingSource::File: text.append(filePath); break;
    case SettingSource::Extended:
        text.append(u"the embedded configuration, extended by [");
        text.append(section);
        text.append(u"+] of ");
        text.append(filePath);
        break;
    case SettingSource::Embedded: text.append(u"the embedded configuration"); break;
    case SettingSource::Unset: break;
    }
    return text;
}

} // namespace launcher
