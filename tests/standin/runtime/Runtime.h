#pragma once
// The stand-in runtime's insides: an object model just large enough for the
// JNI calls a launcher makes, the threads attached to the one VM, and the
// checks that turn a misuse of JNI into a loud stop instead of a quiet
// wrong answer.

#include "runtime/Export.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Object;
struct ClassDef;

// An argument or result as a method body sees it: primitives widened,
// references already resolved to objects.
struct Value {
    jlong integer = 0;
    double real = 0;
    Object* object = nullptr;
};

using MethodBody = Value (*)(Object* self, const std::vector<Value>& arguments);

struct Method {
    const ClassDef* owner = nullptr;
    std::string name;
    std::string signature;
    bool isStatic = false;
    MethodBody body = nullptr;
};

struct ClassDef {
    std::string name; // with "/" separators
    std::string superName;
    const ClassDef* superClass = nullptr;
    std::vector<Method> methods;
    bool application = false;   // a scripted class: not visible to the boot loader
    bool quietLookups = false;  // a missing method leaves no exception behind
    bool lingers = false;       // the VM outlives main until a forwarded "stop"
    Object* mirror = nullptr;   // its java.lang.Class object
};

// One struct serves every kind of object; each kind uses its own fields.
struct Object {
    const ClassDef* type = nullptr;
    const ClassDef* mirrorOf = nullptr; // java.lang.Class
    std::u16string text;                // String; Throwable message; FileOutputStream path
    std::string where;                  // Throwable: the frame that threw it
    std::vector<jchar> chars;           // char[]
    std::vector<Object*> elements;      // Object[]
    const ClassDef* componentType = nullptr;
    std::string bytes;                  // ByteArrayOutputStream
    std::FILE* file = nullptr;          // FileOutputStream
    bool append = false;                // FileOutputStream
    int console = 0;                    // the process's stream: 1 output, 2 error
    Object* target = nullptr;           // PrintStream: where it writes
};

// --- classes (Classes.cpp)
const ClassDef* findClassDef(std::string_view name);
bool isInstance(const Object* object, const ClassDef* type);
const Method* findMethod(const ClassDef* type, std::string_view name, std::string_view signature, bool isStatic);
bool isMethod(const Method* method);
// A new PrintStream over the process's stream (1 or 2).
Object* newConsolePrintStream(int stream);
std::string throwableText(const Object* throwable);   // "java.lang.Error: message"
std::string stackTraceText(const Object* throwable);  // text, then its frames
// Writes UTF-8 bytes through a PrintStream (null: nowhere).
void printTo(Object* printStream, std::string_view bytes);
const char* lineSeparator();

// Method lookups of this name fail from now on ("-Dstandin.missingMethod=").
void setMissingMethod(std::string name);
bool isMissingMethod(std::string_view name);
// "-Dstandin.helperExits=true": checkAndLoadMain ends the VM for a class it
// cannot find, after printing the reason to System.err.
void setHelperExits(bool exits);
bool helperEndsVm();

// --- heap and references (Heap.cpp)
Object* allocate(const ClassDef* type);
Object* newString(std::u16string text);
// Raises an exception of the named Throwable class in the current thread.
void raise(std::string_view className, std::u16string message, std::string where = {});
jobject newLocal(Object* object);
// The object behind a reference; stops the process for a stale or foreign one.
Object* resolve(jobject reference, std::string_view function);
void deleteLocal(jobject reference, std::string_view function);
struct Thread;
// Ends every local reference of a thread that detaches.
void forgetLocals(Thread& thread);
// DestroyJavaVM closes the files the program opened.
void closeFiles();

// --- threads and the VM (Vm.cpp)
struct Thread {
    // A thread that ends while attached is reported by DestroyJavaVM.
    ~Thread();
    JNIEnv_ env{};
    bool attached = false;
    unsigned generation = 0;
    std::string name;
    Object* pending = nullptr;
    std::vector<jobject> locals;
};
// The calling thread's own record, made at its first use and ended with
// the thread (Host.*.cpp: how a thread's end is seen differs).
Thread& currentThread();
// Checks that env belongs to the calling thread, which is attached to the
// live VM, and (unless allowed) that no exception is pending.
Thread& enter(JNIEnv* env, std::string_view function, bool pendingAllowed = false);
void attachCurrentThread(std::string name);
void detachCurrentThread();
Object* systemOut();
Object* systemErr();
void setSystemStream(int stream, Object* printStream);
[[noreturn]] void systemExit(jint code);
// A thread of the program (as Thread.start makes one): attached to the VM
// before this returns, detached when body returns; DestroyJavaVM waits for
// it to end.
void startProgramThread(std::string name, std::function<void()> body);
// Lets a lingering VM end (a forwarded "stop" arrived).
void releaseLinger();
void startLinger();
// A slow end (SlowEnd.cpp): read when the VM is created; once the VM is
// gone, DestroyJavaVM takes that long to return and the process that long
// to exit.
void readSlowEnd();
void endSlowly();
// Prints the pending exception as the VM's default handler does and clears it.
void describePending(Thread& thread, std::string_view traceWord);

// --- the JNIEnv and JavaVM function tables (NativeInterface.cpp, Invocation.cpp)
const JNINativeInterface_* nativeInterface();

// --- text (Text.cpp)
std::string toUtf8(std::u16string_view text);
std::string toModifiedUtf8(std::u16string_view text);
// Decodes UTF-8 and modified UTF-8 alike; malformed bytes become U+FFFD.
std::u16string fromUtf8(std::string_view bytes);
std::string dotted(std::string_view slashed);

// --- trace and failures (Trace.cpp)
// Appends one line to the file that STANDIN_TRACE names, if it is set.
void trace(std::string_view line);
[[noreturn]] void fatal(std::string_view what);

// --- the host system (Host.posix.cpp, Host.win32.cpp)
std::FILE* openTraceFile();
std::string environmentText(const char* name);
// Opens a file for writing (appending or truncating); null with the reason.
std::FILE* openOutputFile(std::u16string_view path, bool append, std::string& reason);
void writeConsole(int stream, std::string_view bytes);
// Loads a library by the name or path given, as the runtime loads its own
// and native ones, and answers its standinMarker() word, or why it failed.
std::string loadMarkerLibrary(const std::string& nameUtf8);
[[noreturn]] void exitProcess(int code);
[[noreturn]] void abortProcess();
// Ends the process at once, as a kill from outside would: no exit handlers.
[[noreturn]] void killProcess(int code);
// Ends the process through a fault of its own (Faults.cpp).
[[noreturn]] void crashProcess();

} // namespace standin
