#pragma once
// Launcher text to Java strings and back, built from UTF-16 code units so
// that every character arrives unchanged.

#include "base/Text.h"

#include <jni.h>

namespace launcher {

// A new local java.lang.String equal to text, or null.
jstring toJavaString(JNIEnv* env, std::u16string_view text);
// A new local String[] of the texts in order (empty, never null, for no
// texts), or null.
jobjectArray toJavaStringArray(JNIEnv* env, const TextList& texts);
// The UTF-16 content of a Java string (empty for null).
std::u16string fromJavaString(JNIEnv* env, jstring text);
// System.exit(code); false when the call left an exception.
bool callSystemExit(JNIEnv* env, jint code);

} // namespace launcher
