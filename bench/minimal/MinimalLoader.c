/* The least a native program can do to run a Java main: load the runtime
   library, create the VM with a class path, call main. The yardstick for the
   launcher's own overhead; plain C, so that it loads no C++ runtime. */

#include <dlfcn.h>
#include <jni.h>
#include <stdio.h>

typedef jint (*CreateJavaVM)(JavaVM**, void**, void*);

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: minimal-loader <libjvm.so> <class path> <main class>\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_GLOBAL);
    if (!library) return 3;
    CreateJavaVM create = (CreateJavaVM)dlsym(library, "JNI_CreateJavaVM");
    if (!create) return 4;
    char classPath[4096];
    if (snprintf(classPath, sizeof classPath, "-Djava.class.path=%s", argv[2]) >= (int)sizeof classPath) return 2;
    JavaVMOption options[] = {{classPath, NULL}};
    JavaVMInitArgs args = {JNI_VERSION_1_2, 1, options, JNI_FALSE};
    JavaVM* vm = NULL;
    JNIEnv* env = NULL;
    if (create(&vm, (void**)&env, &args) != JNI_OK) return 5;
    jclass mainClass = (*env)->FindClass(env, argv[3]);
    if (!mainClass) return 6;
    jmethodID mainMethod = (*env)->GetStaticMethodID(env, mainClass, "main", "([Ljava/lang/String;)V");
    if (!mainMethod) return 7;
    jclass stringClass = (*env)->FindClass(env, "java/lang/String");
    jobjectArray noArguments = (*env)->NewObjectArray(env, 0, stringClass, NULL);
    (*env)->CallStaticVoidMethod(env, mainClass, mainMethod, noArguments);
    (*vm)->DetachCurrentThread(vm);
    (*vm)->DestroyJavaVM(vm);
    return 0;
}
