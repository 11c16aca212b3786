// The least a native program can do to run a Java main: load the runtime
// library, create the VM with a class path, call main. The yardstick for
// the launcher's own overhead.

#include <dlfcn.h>
#include <jni.h>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: minimal-loader <libjvm.so> <class path> <main class>\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_GLOBAL);
    if (!library) return 3;
    auto create = reinterpret_cast<jint (*)(JavaVM**, void**, void*)>(dlsym(library, "JNI_CreateJavaVM"));
    if (!create) return 4;
    std::string classPath = std::string("-Djava.class.path=") + argv[2];
    JavaVMOption options[] = {{const_cast<char*>(classPath.c_str()), nullptr}};
    JavaVMInitArgs args{JNI_VERSION_1_2, 1, options, JNI_FALSE};
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) return 5;
    jclass mainClass = env->FindClass(argv[3]);
    if (!mainClass) return 6;
    jmethodID mainMethod = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (!mainMethod) return 7;
    jobjectArray noArguments = env->NewObjectArray(0, env->FindClass("java/lang/String"), nullptr);
    env->CallStaticVoidMethod(mainClass, mainMethod, noArguments);
    vm->DetachCurrentThread();
    vm->DestroyJavaVM();
    return 0;
}
