#pragma once

namespace launcher {

// Fixes the code page of every text conversion on this thread to the
// system default (Windows: the thread locale; Linux: the C library's
// character classification follows the environment).
void useSystemDefaultLocale();

} // namespace launcher
