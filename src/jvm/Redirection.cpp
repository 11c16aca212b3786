#include "jvm/Redirection.h"
#include "base/FolderChain.h"
#include "jvm/JavaBridge.h"

namespace launcher {

namespace {

jobject newPrintStream(JNIEnv* env, jobject outputStream) {
    jclass printStream = env->FindClass("java/io/PrintStream");
    if (!printStream) return nullptr;
    jmethodID constructor = env->GetMethodID(printStream, "<init>", "(Ljava/io/OutputStream;)V");
    return constructor ? env->NewObject(printStream, constructor, outputStream) : nullptr;
}

bool setStreamToFile(JNIEnv* env, JavaStream stream, std::u16string_view path, bool append) {
    createFolderChain(path);
    jstring name = toJavaString(env, path);
    if (!name) return false;
    jclass fileStream = env->FindClass("java/io/FileOutputStream");
    if (!fileStream) return false;
    jmethodID open = env->GetMethodID(fileStream, "<init>", "(Ljava/lang/String;Z)V");
    if (!open) return false;
    jobject file = env->NewObject(fileStream, open, name, append ? JNI_TRUE : JNI_FALSE);
    if (!file) return false;
    jobject print = newPrintStream(env, file);
    if (!print) return false;
    jclass system = env->FindClass("java/lang/System");
    if (!system) return false;
    const char* setter = stream == JavaStream::Out ? "setOut" : "setErr";
    jmethodID set = env->GetStaticMethodID(system, setter, "(Ljava/io/PrintStream;)V");
    if (!set) return false;
    env->CallStaticVoidMethod(system, set, print);
    return !env->ExceptionCheck();
}

} // namespace

bool redirectStream(JNIEnv* env, JavaStream stream, std::u16string_view path, bool append) {
    if (setStreamToFile(env, stream, path, append)) return true;
    // Whichever step failed, what it left pending is printed and cleared:
    // the start goes on without this redirection, and a pending exception
    // would make every later call into Java fail (the other stream's
    // redirection, finding the main class).
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        env->ExceptionClear();
    }
    return false;
}

std::u16string exceptionText(JNIEnv* env, jthrowable exception) {
    jclass bytesClass = env->FindClass("java/io/ByteArrayOutputStream");
    if (!bytesClass) return {};
    jmethodID bytesInit = env->GetMethodID(bytesClass, "<init>", "()V");
    if (!bytesInit) return {};
    jobject bytes = env->NewObject(bytesClass, bytesInit);
    if (!bytes) return {};
    jobject print = newPrintStream(env, bytes);
    if (!print) return {};
    jmethodID printTrace = env->GetMethodID(env->GetObjectClass(exception), "printStackTrace", "(Ljava/io/PrintStream;)V");
    if (!printTrace) return {};
    env->CallVoidMethod(exception, printTrace, print);
    if (env->ExceptionCheck()) env->ExceptionDescribe();
    jmethodID toString = env->GetMethodID(env->GetObjectClass(bytes), "toString", "()Ljava/lang/String;");
    if (!toString) return {};
    auto text = static_cast<jstring>(env->CallObjectMethod(bytes, toString));
    if (env->ExceptionCheck()) env->ExceptionDescribe();
    // The characters themselves: no detour through a code page that may
    // lack them.
    return fromJavaString(env, text);
}

} // namespace launcher
