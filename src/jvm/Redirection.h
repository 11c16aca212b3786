#pragma once
// Pointing the Java program's standard streams at files, and reading an
// exception's stack trace as text.

#include "base/Text.h"

#include <jni.h>

namespace launcher {

enum class JavaStream { Out, Err };

// System.setOut/setErr to a new PrintStream over a FileOutputStream on path
// (appending or truncating), creating missing folders first. False when it
// did not happen; what the failed step left pending is then printed and
// cleared, so that the caller may go on calling into Java.
bool redirectStream(JNIEnv* env, JavaStream stream, std::u16string_view path, bool append);

// The exception's printStackTrace output, empty on any failure.
std::u16string exceptionText(JNIEnv* env, jthrowable exception);

} // namespace launcher
