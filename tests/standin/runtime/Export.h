#pragma once
// The runtime's own view of jni.h: the invocation functions it defines are
// exported from the library. STANDIN_EXPORT comes from the build, which
// knows the target's way of exporting.

#define JNIEXPORT STANDIN_EXPORT
#define _JNI_IMPLEMENTATION_
#include <jni.h>

extern "C" STANDIN_EXPORT jclass JNICALL JVM_FindClassFromBootLoader(JNIEnv* env, const char* name);
