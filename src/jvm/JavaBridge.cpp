#include "jvm/JavaBridge.h"

namespace launcher {

jstring toJavaString(JNIEnv* env, std::u16string_view text) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jmethodID constructor = env->GetMethodID(stringClass, "<init>", "([C)V");
    if (!constructor) return nullptr;
    const auto length = static_cast<jsize>(text.size());
    jcharArray chars = env->NewCharArray(length);
    if (!chars) return nullptr;
    env->SetCharArrayRegion(chars, 0, length, reinterpret_cast<const jchar*>(text.data()));
    jstring result = nullptr;
    if (!env->ExceptionCheck()) result = static_cast<jstring>(env->NewObject(stringClass, constructor, chars));
    env->DeleteLocalRef(chars);
    return result;
}

jobjectArray toJavaStringArray(JNIEnv* env, const TextList& texts) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(texts.size()), stringClass, nullptr);
    if (!array) return nullptr;
    for (size_t i = 0; i < texts.size(); ++i) {
        jstring element = toJavaString(env, texts[i]);
        if (!element) return nullptr;
        env->SetObjectArrayElement(array, static_cast<jsize>(i), element);
        env->DeleteLocalRef(element);
    }
    return array;
}

std::u16string fromJavaString(JNIEnv* env, jstring text) {
    if (!text) return {};
    const jchar* chars = env->GetStringChars(text, nullptr);
    if (!chars) return {};
    std::u16string result(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(env->GetStringLength(text)));
    env->ReleaseStringChars(text, chars);
    return result;
}

bool callSystemExit(JNIEnv* env, jint code) {
    jclass system = env->FindClass("java/lang/System");
    if (!system) return false;
    jmethodID exitMethod = env->GetStaticMethodID(system, "exit", "(I)V");
    if (!exitMethod) return false;
    env->CallStaticVoidMethod(system, exitMethod, code);
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

} // namespace launcher
