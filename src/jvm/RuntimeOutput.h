#pragma once
// The runtime's own printing, seen through its "vfprintf" hook: a runtime
// that records its ahead-of-time configuration says so on standard output
// whatever its logging options say, and the launcher keeps that line from
// the application's output.

#include <cstdarg>
#include <cstdio>
#include <jni.h>
#include <string>
#include <string_view>

namespace launcher {

// True for the runtime's words about the cache it records.
bool isCacheNotice(std::string_view text);

// The text that format and arguments give, however long.
std::string formatRuntimeText(const char* format, va_list arguments);

// True when the hook can write to the runtime's streams: on Windows the
// runtime's streams belong to its own C library, which must be loaded.
bool runtimeStreamsReachable();
// Writes text to the runtime's stream as its own vfprintf would.
void writeRuntimeStream(FILE* stream, std::string_view text);

// The hook: everything but the cache's notices goes to the stream.
jint JNICALL filteringPrintHook(FILE* stream, const char* format, va_list arguments);

} // namespace launcher
