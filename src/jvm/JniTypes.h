#pragma once
// The runtime library's invocation entry points, and the JDK 1.1 argument
// block that still reports the runtime's default thread stack size.

#include <cstdarg>
#include <cstdio>
#include <jni.h>

namespace launcher {

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);
using GetDefaultJavaVmInitArgsFunction = jint(JNICALL*)(void*);
using FindClassFromBootLoaderFunction = jclass(JNICALL*)(JNIEnv*, const char*);

struct JvmEntryPoints {
    CreateJavaVmFunction createJavaVm = nullptr;
    GetDefaultJavaVmInitArgsFunction getDefaultJavaVmInitArgs = nullptr;
    FindClassFromBootLoaderFunction findClassFromBootLoader = nullptr; // optional
};

// The legacy JDK 1.1 layout of the invocation arguments.
struct Jdk11InitArgs {
    jint version;
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
    jint minHeapSize;
    jint maxHeapSize;
    jint verifyMode;
    char* classpath;
    jint(JNICALL* vfprintf)(FILE* fp, const char* format, va_list args);
    void(JNICALL* exit)(jint code);
    void(JNICALL* abort)(void);
    jint enableClassGC;
    jint enableVerboseGC;
    jint disableAsyncGC;
    jint verbose;
    jboolean debugging;
    jint debugPort;
};

inline constexpr jint kJdk11Version = 0x00010001;

} // namespace launcher
