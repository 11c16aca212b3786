// Small DLLs that say which copy of them was loaded, for the tests of where
// the launcher's process looks for libraries. A plain marker DLL answers
// STANDIN_MARKER; the JNI-like one imports a marker DLL (its sibling, by
// name, as a native library imports its own dependencies) and answers with
// the sibling's word.

#if defined(STANDIN_USES_SIBLING)

#include <string>

extern "C" __declspec(dllimport) const char* standinSiblingMarker();

extern "C" __declspec(dllexport) const char* standinMarker() {
    static const std::string answer = std::string("jni with ") + standinSiblingMarker();
    return answer.c_str();
}

#else

extern "C" __declspec(dllexport) const char* standinMarker() { return STANDIN_MARKER; }
// The name importers use, so that an importer may export standinMarker itself.
extern "C" __declspec(dllexport) const char* standinSiblingMarker() { return STANDIN_MARKER; }

#endif
