#pragma once
// Where the Java program's standard output and error go: the file names and
// append flags from the "Application" settings, and the date and time stamp
// put into a name between its first and last percent sign.

#include "base/TimePicture.h"

#include <functional>

namespace launcher {

class IniSource;

struct RedirectSettings {
    std::u16string outputFile; // empty: standard output stays
    bool outputAppend = false;
    std::u16string errorFile; // empty: standard error stays
    bool errorAppend = false;
};

// The four values from the settings' text: a non-empty name has its
// environment references expanded; only the exact word "yes" appends.
RedirectSettings redirectSettingsFrom(std::u16string_view outputFile, std::u16string_view outputAppend,
                                      std::u16string_view errorFile, std::u16string_view errorAppend);
// The same, read from "Output File", "Output Append", "Error File" and
// "Error Append" of the "Application" section.
RedirectSettings readRedirectSettings(IniSource& ini);

// True when the name holds a template, that is a percent sign.
bool needsStamp(std::u16string_view name);

// Replaces everything from the first to the last percent sign by the
// template between them formatted as a date and time picture, after every
// "L" in the template became the milliseconds. A name without a percent
// sign stays as it is.
void stampFileName(std::u16string& name, const DateTime& time, const TimeNames& names);

// One reading of the clock, shared by both names.
struct StampTime {
    DateTime time;
    TimeNames names;
};
using StampClock = std::function<StampTime()>;

// Stamps each name that needs it; the clock is read once, and not at all
// when neither name needs a stamp.
void stampRedirectNames(RedirectSettings& settings, const StampClock& clock);
// The same with the local time and the user's locale.
void stampRedirectNames(RedirectSettings& settings);

} // namespace launcher
