#pragma once
// The local clock and the words of the user's locale that date and time
// pictures put into text.

#include "base/TimePicture.h"

namespace launcher {

// The local date and time, read once.
DateTime readLocalTime();

// Month and day names, time markers and era of the user's locale. Where
// the platform has no such word for a locale, the English one.
TimeNames readUserTimeNames();

} // namespace launcher
