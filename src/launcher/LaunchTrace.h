#pragma once
// The launch's own trace lines: the words for the launcher's decisions, so
// that Launcher keeps to the decisions themselves. Every function writes
// only while tracing is on.

#include "instance/SingleInstance.h"
#include "splash/SplashChoice.h"

#include <string>
#include <vector>

namespace launcher {

void traceStart(std::u16string_view modulePath, std::u16string_view iniPath);
void traceRole(InstanceRole role);
void traceSplash(SplashKind kind, std::u16string_view image, bool suppressed);
// Each option in the order the runtime gets it, then the class path alone.
void traceVmOptions(const std::vector<std::string>& options);
void traceExit(int code, std::u16string_view cause);

// The words for a splash choice (pure, for tests).
std::u16string splashChoiceText(SplashKind kind, std::u16string_view image, bool suppressed);
// Why the runtime's splash library does not show a picture that was meant
// for it (preferred, or the only splash there is): the runtime lacks the
// library at libraryCandidate. Empty when the library is there or was not
// wanted (pure, for tests).
std::u16string nativeSplashMissingText(const SplashRequest& request, std::u16string_view libraryCandidate);

} // namespace launcher
