// The suite's JNI library: realapp.NativeLibraryProbe.dependencyValue()
// answers with what its imported DLL (realdep.dll, found by the loader, not
// by Java) says.

#include <jni.h>

extern "C" __declspec(dllimport) int realdepValue();

extern "C" JNIEXPORT jint JNICALL Java_realapp_NativeLibraryProbe_dependencyValue(JNIEnv*, jclass) {
    return realdepValue();
}
