#pragma once
// The class path the virtual machine gets: the "Class Path" setting with
// environment references expanded, wildcards and relative entries found on
// disk beside the launcher, and absolute entries taken as written.

#include "base/FileFinder.h"
#include "base/Text.h"

namespace launcher {

// The class path from the setting (entries separated by ";"), each element
// followed by the platform's list separator. Relative entries and entries
// with "*" are resolved against the launcher's folder (the folder of
// modulePath) and enter only when something matches; absolute entries
// enter unchecked. With embeddedJar the executable itself comes first.
// Empty when nothing remains.
std::u16string composeClassPath(std::u16string_view setting, std::u16string_view modulePath, bool embeddedJar);

// Appends every file or folder that matches the entry, in the order the
// file system lists them, each followed by the list separator. A relative
// entry is searched below launcherFolder (below the working folder when
// that is empty); an absolute one as written.
void resolveClassPathEntry(std::u16string_view entry, std::u16string_view launcherFolder, std::u16string& classPath);

// The text a found name is put after: the pattern up to and including its
// last separator (on Windows "\" or "/", whichever comes later), else a
// drive prefix "X:", else nothing.
std::u16string matchPrefix(std::u16string_view pattern, PathForm form = kPlatformPathForm);

// True when the text comes back unchanged from the platform's narrow
// encoding, the one option strings are passed in.
bool survivesNarrowing(std::u16string_view text);

// A path that survives narrowing: on Windows the short (8.3) form of a path
// whose characters the ANSI code page lacks, where the file system has one;
// otherwise the path unchanged.
std::u16string narrowSafePath(std::u16string_view path);
// The 8.3 form of an existing path, every part of it shortened where the
// volume keeps short names (Windows); otherwise the path as it is.
std::u16string shortFormOf(std::u16string_view path);

} // namespace launcher
