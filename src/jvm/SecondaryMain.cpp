#include "jvm/SecondaryMain.h"
#include "base/UniqueResource.h"
#include "jvm/JavaBridge.h"

namespace launcher {

namespace {

constexpr const char* kVoidForm = "([Ljava/lang/String;)V";
constexpr const char* kIntForm = "([Ljava/lang/String;)I";

struct Target {
    jclass type = nullptr;
    jmethodID method = nullptr;
    bool returnsInt = false;
};

jmethodID methodOf(JNIEnv* env, jclass type, bool& returnsInt) {
    returnsInt = false;
    jmethodID method = env->GetStaticMethodID(type, "secondaryMain", kVoidForm);
    if (method) return method;
    if (env->ExceptionCheck()) env->ExceptionClear();
    returnsInt = true;
    return env->GetStaticMethodID(type, "secondaryMain", kIntForm);
}

Target findSecondaryMain(JNIEnv* env, const std::u16string& mainClass) {
    Target target;
    target.type = env->FindClass(toNarrow(mainClass).c_str());
    if (!target.type) {
        // The launch just goes unanswered: a stack trace for it would land
        // in the user's error file, and the launch itself has nothing to
        // report.
        env->ExceptionClear();
        return target;
    }
    target.method = methodOf(env, target.type, target.returnsInt);
    if (!target.method && env->ExceptionCheck()) env->ExceptionDescribe();
    return target;
}

} // namespace

bool declaresSecondaryMain(JNIEnv* env, jclass type) {
    bool returnsInt = false;
    const bool declared = methodOf(env, type, returnsInt) != nullptr;
    if (env->ExceptionCheck()) env->ExceptionClear();
    return declared;
}

bool runSecondaryMain(const SecondaryCall& call, const std::function<void(int32_t)>& reply,
                      const std::function<bool()>& enter) {
    if (!call.vm) return false;
    JNIEnv* env = nullptr;
    if (call.vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return false;
    // A thread that ends attached keeps DestroyJavaVM waiting for it for
    // ever, so every way out detaches.
    ScopeExit detach([&] {
        if (!call.keepAttached) call.vm->DetachCurrentThread();
    });
    Target target = findSecondaryMain(env, call.mainClass);
    jobjectArray arguments = target.method ? toJavaStringArray(env, call.arguments) : nullptr;
    // The runtime may have begun to end while this thread attached or
    // looked the method up (System.exit on another thread).
    if (!enter()) return false;
    if (!target.method) return true;
    if (!arguments) {
        if (env->ExceptionCheck()) env->ExceptionDescribe();
        return true;
    }
    if (target.returnsInt) {
        jint value = env->CallStaticIntMethod(target.type, target.method, arguments);
        // A method that threw has returned 0; that is still the answer.
        reply(value);
    } else {
        reply(0);
        env->CallStaticVoidMethod(target.type, target.method, arguments);
    }
    if (env->ExceptionCheck()) env->ExceptionDescribe();
    return true;
}

} // namespace launcher
