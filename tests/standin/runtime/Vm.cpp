// The one virtual machine: its creation through the exported invocation
// functions, the threads attached to it, System.out/err and System.exit,
// and the JavaVM functions. Build variants leave out exports or make the
// creation fail, for the failure paths a real runtime will not produce.

#include "runtime/Slots.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace standin {

namespace {

struct VmState {
    std::mutex lock;
    std::condition_variable changed;
    bool exists = false;
    unsigned generation = 0;
    int attachedThreads = 0;
    int nextThreadNumber = 0;
    bool lingering = false;
    bool exiting = false; // System.exit is ending the process
    void(JNICALL* exitHook)(jint) = nullptr;
    Object* out = nullptr;
    Object* err = nullptr;
    std::string abandonedBy; // a thread that ended while attached
    std::vector<std::thread> programThreads; // joined by DestroyJavaVM
};

VmState& state() {
    static auto* instance = new VmState; // System.exit may end the process from any thread
    return *instance;
}

// How long DestroyJavaVM waits for attached threads and a lingering
// program before it ends the VM anyway: a test must not hang for ever.
constexpr auto kLongestWait = std::chrono::seconds(60);

JavaVM& theVm();

void checkVm(JavaVM* vm, std::string_view function) {
    if (vm != &theVm()) fatal(std::string(function) + ": not this runtime's JavaVM");
}

bool attachedToLiveVmLocked(const Thread& thread) {
    return thread.attached && thread.generation == state().generation && state().exists;
}

bool attachedToLiveVm(const Thread& thread) {
    std::lock_guard guard(state().lock);
    return attachedToLiveVmLocked(thread);
}

jint JNICALL destroyJavaVm(JavaVM* vm) {
    checkVm(vm, "DestroyJavaVM");
    Thread& thread = currentThread();
    bool callerAttached = attachedToLiveVm(thread);
    const bool creator = thread.name == "main";
    std::vector<std::thread> threads;
    {
        // As a real VM waits for the program's non-daemon threads.
        std::unique_lock guard(state().lock);
        int caller = callerAttached ? 1 : 0;
        state().changed.wait_for(guard, kLongestWait, [&] {
            return (state().attachedThreads == caller && !state().lingering) || !state().abandonedBy.empty();
        });
        // HotSpot counts such a thread as running and waits for it for ever;
        // the stand-in names the fault instead of hanging.
        if (!state().abandonedBy.empty()) {
            fatal("DestroyJavaVM: thread \"" + state().abandonedBy +
                  "\" ended without DetachCurrentThread; a real VM would wait for it for ever");
        }
        state().exists = false;
        state().attachedThreads = 0;
        state().lingering = false;
        state().exitHook = nullptr;
        state().out = state().err = nullptr;
        state().abandonedBy.clear();
        threads.swap(state().programThreads);
    }
    // Detached from the VM is not yet gone from the process: a thread on
    // its way out while the process ends may hold what the end needs.
    for (std::thread& ended : threads) ended.join();
    if (callerAttached) {
        forgetLocals(thread);
        thread.attached = false;
    }
    closeFiles();
    // Traced once it is over, so the trace shows what the VM outlived; the
    // thread that created the VM says so (a service destroys it there).
    trace(creator ? "DestroyJavaVM on the creating thread" : "DestroyJavaVM");
    endSlowly();
    return JNI_OK;
}

jint JNICALL attachThread(JavaVM* vm, void** penv, void* args) {
    checkVm(vm, "AttachCurrentThread");
    trace("AttachCurrentThread");
    if (!penv) return JNI_EINVAL;
    Thread& thread = currentThread();
    if (!attachedToLiveVm(thread)) {
        if (!state().exists) return JNI_ERR;
        auto* attachArgs = static_cast<JavaVMAttachArgs*>(args);
        std::string name = attachArgs && attachArgs->name ? attachArgs->name : "";
        if (name.empty()) {
            std::lock_guard guard(state().lock);
            name = "Thread-" + std::to_string(state().nextThreadNumber++);
        }
        attachCurrentThread(name);
    }
    *penv = &thread.env;
    return JNI_OK;
}

jint JNICALL detachThread(JavaVM* vm) {
    checkVm(vm, "DetachCurrentThread");
    trace("DetachCurrentThread");
    // Detaching a thread that is not attached does nothing, as in HotSpot.
    if (attachedToLiveVm(currentThread())) detachCurrentThread();
    return JNI_OK;
}

JNIInvokeInterface_ makeInvokeInterface() {
    auto table = unimplementedInterface<JNIInvokeInterface_, SlotTable::Invoke>(std::make_index_sequence<kInvokeSlotCount>{});
    table.DestroyJavaVM = destroyJavaVm;
    table.AttachCurrentThread = attachThread;
    table.DetachCurrentThread = detachThread;
    return table;
}

JavaVM& theVm() {
    static const JNIInvokeInterface_ table = makeInvokeInterface();
    static JavaVM vm{&table};
    return vm;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The options a HotSpot VM takes, by their form; the rest it rejects.
bool recognised(std::string_view option) {
    if (option == "exit" || option == "abort" || option == "vfprintf") return true;
    // Options this runtime is told to refuse, as a runtime of another build
    // may refuse options that its version number promises.
    const std::string refused = environmentText("STANDIN_REFUSE");
    if (!refused.empty() && startsWith(option, refused)) return false;
    for (std::string_view prefix : {"-D", "-X", "-verbose", "-ea", "-da", "-esa", "-dsa", "-enableassertions",
                                    "-disableassertions", "-enablesystemassertions", "-disablesystemassertions",
                                    "-javaagent:", "-agentlib:", "-agentpath:", "--"}) {
        if (startsWith(option, prefix)) return true;
    }
    return false;
}

bool supportedVersion(jint version) {
    return version == JNI_VERSION_1_2 || version == JNI_VERSION_1_4 || version == JNI_VERSION_1_6 ||
           version == JNI_VERSION_1_8 || version == JNI_VERSION_9 || version == JNI_VERSION_10;
}

std::string hex(jint value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

// The JDK 1.1 argument block, of which only the stack size still matters.
struct Jdk11InitArgs {
    jint version;
    char** properties;
    jint checkSource;
    jint nativeStackSize;
    jint javaStackSize;
};

constexpr jint kDefaultStackSize = 1024 * 1024;
constexpr const char* kCreateDelay = "-Dstandin.createDelay=";
constexpr const char* kMissingMethod = "-Dstandin.missingMethod=";
constexpr const char* kHelperExits = "-Dstandin.helperExits=true";
constexpr const char* kLoadLibrary = "-Dstandin.loadLibrary=";

#if defined(STANDIN_IMPORTS_HELPER)
extern "C" __declspec(dllimport) const char* standinSiblingMarker();
#endif

[[maybe_unused]] jint createJavaVm(JavaVM** pvm, void** penv, void* argsPointer) {
    auto* args = static_cast<JavaVMInitArgs*>(argsPointer);
    if (!pvm || !penv || !args) return JNI_EINVAL;
    trace("CreateJavaVM version=" + hex(args->version) + " nOptions=" + std::to_string(args->nOptions) +
          " ignoreUnrecognized=" + std::to_string(args->ignoreUnrecognized));
    if (args->nOptions < 0 || (args->nOptions > 0 && !args->options)) return JNI_EINVAL;
    void(JNICALL * exitHook)(jint) = nullptr;
    std::string unrecognised;
    int createDelay = 0;
    std::vector<std::string> libraries;
    for (jint i = 0; i < args->nOptions; ++i) {
        const JavaVMOption& option = args->options[i];
        std::string text = option.optionString ? option.optionString : "(null)";
        trace("option " + text + (option.extraInfo ? " extraInfo=set" : ""));
        if (text == "exit") exitHook = reinterpret_cast<void(JNICALL*)(jint)>(option.extraInfo);
        // A slow start, for tests that must reach the launcher before main.
        if (text.rfind(kCreateDelay, 0) == 0) createDelay = std::atoi(text.c_str() + std::strlen(kCreateDelay));
        // A platform method that this VM lacks, for the failure paths of
        // the launcher's own calls into Java.
        if (text.rfind(kMissingMethod, 0) == 0) setMissingMethod(text.substr(std::strlen(kMissingMethod)));
        // The launcher helper gives up as a real runtime's does: it prints
        // why and ends the VM, instead of answering null.
        if (text == kHelperExits) setHelperExits(true);
        // A library the runtime loads once it runs, as it loads its own
        // awt.dll or an application's native library.
        if (text.rfind(kLoadLibrary, 0) == 0) libraries.push_back(text.substr(std::strlen(kLoadLibrary)));
        if (!recognised(text) && unrecognised.empty()) unrecognised = text;
    }
    readSlowEnd();
    if (createDelay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(createDelay));
#if defined(STANDIN_IMPORTS_HELPER)
    // Which copy of its bin folder's DLL the system gave this library.
    trace(std::string("helper ") + standinSiblingMarker());
#endif
    for (const std::string& library : libraries) trace("loadLibrary " + library + ": " + loadMarkerLibrary(library));
    // A real runtime takes options from these variables (OpenJ9 from the
    // last four too); a test sees whether either copy of the environment
    // (the system's, the C runtime's) held one.
    for (const char* name : {"JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "OPENJ9_JAVA_OPTIONS", "IBM_JAVA_OPTIONS",
                             "IBM_JAVA_JITLIB", "JAVA_DUMP_TOOL"}) {
        const char* copy = std::getenv(name);
        const std::string system = environmentText(name);
        if (!system.empty()) trace(std::string("environment ") + name + "=" + system);
        if (copy && *copy) trace(std::string("C runtime environment ") + name + "=" + copy);
    }
#if defined(STANDIN_CREATE_FAILS)
    std::string code = environmentText("STANDIN_CREATE_RESULT");
    return code.empty() ? -7 : static_cast<jint>(std::stol(code));
#endif
    if (!supportedVersion(args->version)) return JNI_EVERSION;
    if (!unrecognised.empty() && !args->ignoreUnrecognized) {
        writeConsole(2, "Unrecognized option: " + unrecognised + lineSeparator());
        return JNI_ERR;
    }
    {
        std::lock_guard guard(state().lock);
        if (state().exists) return JNI_EEXIST;
        state().exists = true;
        ++state().generation;
        state().nextThreadNumber = 0;
        state().exitHook = exitHook;
    }
    attachCurrentThread("main");
    setSystemStream(1, newConsolePrintStream(1));
    setSystemStream(2, newConsolePrintStream(2));
    *pvm = &theVm();
    *penv = &currentThread().env;
    return JNI_OK;
}

} // namespace

namespace {
std::mutex missingLock;
std::string missingName;
} // namespace

void setMissingMethod(std::string name) {
    std::lock_guard guard(missingLock);
    missingName = std::move(name);
}

namespace {
std::atomic<bool> helperExits{false};
} // namespace

void setHelperExits(bool exits) { helperExits = exits; }
bool helperEndsVm() { return helperExits; }

bool isMissingMethod(std::string_view name) {
    std::lock_guard guard(missingLock);
    return !missingName.empty() && missingName == name;
}

Thread::~Thread() {
    std::lock_guard guard(state().lock);
    // The C runtime's exit ends the calling thread's records first: a
    // thread that calls System.exit has not abandoned the VM.
    if (attachedToLiveVmLocked(*this) && !state().exiting) {
        state().abandonedBy = name;
        state().changed.notify_all();
    }
}

Thread& enter(JNIEnv* env, std::string_view function, bool pendingAllowed) {
    Thread& thread = currentThread();
    if (env != &thread.env) fatal(std::string(function) + ": the JNIEnv of another thread, or no JNIEnv at all");
    if (!attachedToLiveVm(thread)) fatal(std::string(function) + ": the thread is not attached to a live VM");
    if (thread.pending && !pendingAllowed) {
        fatal(std::string(function) + ": called with an exception pending (" + throwableText(thread.pending) + ")");
    }
    return thread;
}

void attachCurrentThread(std::string name) {
    Thread& thread = currentThread();
    forgetLocals(thread);
    thread.env.functions = nativeInterface();
    thread.attached = true;
    thread.name = std::move(name);
    thread.pending = nullptr;
    std::lock_guard guard(state().lock);
    thread.generation = state().generation;
    ++state().attachedThreads;
}

void detachCurrentThread() {
    Thread& thread = currentThread();
    // An exception still pending is the thread's uncaught exception.
    if (thread.pending) describePending(thread, "uncaught");
    forgetLocals(thread);
    thread.attached = false;
    std::lock_guard guard(state().lock);
    --state().attachedThreads;
    state().changed.notify_all();
}

void describePending(Thread& thread, std::string_view traceWord) {
    Object* exception = thread.pending;
    thread.pending = nullptr;
    trace(std::string(traceWord) + " " + throwableText(exception));
    printTo(systemErr(), "Exception in thread \"" + thread.name + "\" " + stackTraceText(exception));
}

Object* systemOut() {
    std::lock_guard guard(state().lock);
    return state().out;
}

Object* systemErr() {
    std::lock_guard guard(state().lock);
    return state().err;
}

void setSystemStream(int stream, Object* printStream) {
    std::lock_guard guard(state().lock);
    (stream == 1 ? state().out : state().err) = printStream;
}

void systemExit(jint code) {
    trace("exit " + std::to_string(code));
    void(JNICALL * hook)(jint) = nullptr;
    {
        std::lock_guard guard(state().lock);
        hook = state().exitHook;
        state().exiting = true;
    }
    if (hook) hook(code);
    exitProcess(code);
}

void startProgramThread(std::string name, std::function<void()> body) {
    std::promise<void> attached;
    std::future<void> started = attached.get_future();
    std::thread thread([name = std::move(name), body = std::move(body), attached = std::move(attached)]() mutable {
        attachCurrentThread(name);
        attached.set_value();
        body();
        detachCurrentThread();
    });
    started.wait();
    std::lock_guard guard(state().lock);
    state().programThreads.push_back(std::move(thread));
}

void startLinger() {
    std::lock_guard guard(state().lock);
    state().lingering = true;
}

void releaseLinger() {
    std::lock_guard guard(state().lock);
    state().lingering = false;
    state().changed.notify_all();
}

} // namespace standin

using namespace standin;

extern "C" {

// HotSpot answers the JDK 1.1 layout with an error, yet fills in its
// default thread stack size and moves the version on, and launchers rely
// on exactly that.
JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void* argsPointer) {
    auto* args = static_cast<Jdk11InitArgs*>(argsPointer);
    trace("GetDefaultJavaVMInitArgs version=" + hex(args->version));
    if (args->version == JNI_VERSION_1_1) {
        args->version = JNI_VERSION_1_2;
        args->javaStackSize = kDefaultStackSize;
        return JNI_ERR;
    }
    return supportedVersion(args->version) ? JNI_OK : JNI_ERR;
}

#if !defined(STANDIN_NO_CREATE)
JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** pvm, void** penv, void* args) { return createJavaVm(pvm, penv, args); }
#endif

#if !defined(STANDIN_NO_BOOT_LOADER)
// Finds platform classes only, and answers null (with no exception) for
// anything else, the application's classes included.
JNIEXPORT jclass JNICALL JVM_FindClassFromBootLoader(JNIEnv* env, const char* name) {
    enter(env, "JVM_FindClassFromBootLoader");
    trace("FindClassFromBootLoader " + std::string(name ? name : "(null)"));
    const ClassDef* type = name ? findClassDef(name) : nullptr;
    return type && !type->application ? static_cast<jclass>(newLocal(type->mirror)) : nullptr;
}
#endif

} // extern "C"
