#include "jvm/JvmHost.h"
#include "base/ConsoleVariant.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "jvm/JavaBridge.h"
#include "jvm/Redirection.h"
#include "jvm/RuntimeOutput.h"
#include "jvm/RuntimeLibrary.h"
#include "jvm/SecondaryMain.h"
#include "jvm/VmHooks.h"
#include "ui/ExceptionPrompt.h"

#include <cstdio>
#include <thread>

namespace launcher {

namespace {

struct HelperLookup {
    const std::u16string* mainClass;
    const MessageOwner* owner;
    const std::function<void()>* missing;
};

// The helper has said why on standard error and ends the VM. Where that is
// a console, the user has read it; a GUI program has no console, so the
// user would see nothing at all: say it in a box before the process ends
// with the helper's code.
void reportHelperExit(jint, void* context) {
    const auto* lookup = static_cast<const HelperLookup*>(context);
    if (*lookup->missing) (*lookup->missing)();
    if (messagesGoToStandardError()) return;
    showFormattedError(lookup->owner->load(), MessageId::MainClassNotFound, *lookup->mainClass);
}

// Watches the VM's exit while the helper runs, and only then.
class HelperExitWatch {
public:
    explicit HelperExitWatch(HelperLookup& lookup) { setHelperExitHandler(&reportHelperExit, &lookup); }
    ~HelperExitWatch() { setHelperExitHandler(nullptr, nullptr); }
    HelperExitWatch(const HelperExitWatch&) = delete;
    HelperExitWatch& operator=(const HelperExitWatch&) = delete;
};

} // namespace

bool JvmHost::load(std::u16string_view jvmPath, const MessageOwner& owner) {
    return loadJvmLibrary(jvmPath, owner, entries_);
}

uint64_t JvmHost::defaultStackSize() const {
    Jdk11InitArgs args{};
    args.version = kJdk11Version;
    // The call reports an error for this old layout, yet fills in the size.
    entries_.getDefaultJavaVmInitArgs(&args);
    return args.javaStackSize > 0 ? static_cast<uint64_t>(args.javaStackSize) : 0;
}

bool JvmHost::createVm(const std::vector<std::string>& options, const std::function<RedirectFiles()>& redirectFiles,
                       const MessageOwner& owner, bool reportFailure) {
    std::vector<JavaVMOption> vmOptions;
    vmOptions.reserve(options.size() + 3);
    for (const std::string& option : options) vmOptions.push_back({const_cast<char*>(option.c_str()), nullptr});
    // Only where needed: every line the runtime prints passes the hook.
    if (filterCacheNotices_ && runtimeStreamsReachable()) {
        vmOptions.push_back({const_cast<char*>("vfprintf"), reinterpret_cast<void*>(&filteringPrintHook)});
    }
    vmOptions.push_back({const_cast<char*>("abort"), reinterpret_cast<void*>(&vmAbortHook)});
    vmOptions.push_back({const_cast<char*>("exit"), reinterpret_cast<void*>(&vmExitHook)});
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_2;
    args.nOptions = static_cast<jint>(vmOptions.size());
    args.options = vmOptions.data();
    args.ignoreUnrecognized = JNI_FALSE;
    JavaVM* created = nullptr;
    jint result = entries_.createJavaVm(&created, reinterpret_cast<void**>(&env_), &args);
    createResult_ = result;
    if (result != JNI_OK) {
        env_ = nullptr;
        if (reportFailure) reportCreateFailure(owner);
        return false;
    }
    vm_->store(created);
    const RedirectFiles files = redirectFiles ? redirectFiles() : RedirectFiles();
    if (!files.outputFile.empty()) redirectStream(env_, JavaStream::Out, files.outputFile, files.outputAppend);
    if (!files.errorFile.empty()) redirectStream(env_, JavaStream::Err, files.errorFile, files.errorAppend);
    return true;
}

void JvmHost::reportCreateFailure(const MessageOwner& owner) const {
    showError(owner.load(), jniErrorText(MessageId::CreateJavaVmFailed, createResult_));
}

jclass JvmHost::findMainClass(const MainInvocation& invocation, const MessageOwner& owner) {
    const std::u16string& mainClass = invocation.mainClass;
    if (entries_.findClassFromBootLoader) {
        jclass helper = entries_.findClassFromBootLoader(env_, "sun/launcher/LauncherHelper");
        jmethodID check = helper ? env_->GetStaticMethodID(helper, "checkAndLoadMain", "(ZILjava/lang/String;)Ljava/lang/Class;")
                                 : nullptr;
        if (check) {
            std::u16string dotted = mainClass;
            replaceAll(dotted, u'/', u'.');
            if (jstring name = toJavaString(env_, dotted)) {
                HelperLookup lookup{&mainClass, &owner, &invocation.mainClassMissing};
                HelperExitWatch watch(lookup);
                auto found = static_cast<jclass>(env_->CallStaticObjectMethod(helper, check, JNI_TRUE, jint{1}, name));
                if (found) return found;
            }
        }
        // Whatever the helper left pending must not disturb the plain lookup.
        if (env_->ExceptionCheck()) env_->ExceptionClear();
    }
    jstring name = toJavaString(env_, mainClass);
    if (!name) {
        showFormattedError(owner.load(), MessageId::MainClassLoadFailed, mainClass);
        return nullptr;
    }
    const char* utf = env_->GetStringUTFChars(name, nullptr);
    if (!utf) {
        env_->ExceptionDescribe();
        return nullptr;
    }
    jclass found = env_->FindClass(utf);
    env_->ReleaseStringUTFChars(name, utf);
    if (!found) {
        if (invocation.mainClassMissing) {
            env_->ExceptionClear();
            invocation.mainClassMissing();
        }
        env_->ExceptionDescribe();
        // The name as configured: no detour through a code page.
        showFormattedError(owner.load(), MessageId::MainClassNotFound, mainClass);
    }
    return found;
}

bool JvmHost::reportUncaughtException(const MainInvocation& invocation) {
    jthrowable exception = env_->ExceptionOccurred();
    if (!exception) return false;
    if (invocation.beforeAskingUser) invocation.beforeAskingUser();
    if (!invocation.failureCheck) return true;
    // The stack trace is read with the exception set aside, then the
    // exception is left pending as main left it.
    env_->ExceptionClear();
    std::u16string text = exceptionText(env_, exception);
    // What kept the trace from being read; nothing may be pending when
    // main's exception is put back.
    if (env_->ExceptionCheck()) env_->ExceptionDescribe();
    // No trace, no question: the run goes on, and nobody chose that.
    const ExceptionAnswer answer = text.empty() ? ExceptionAnswer::NotShown : askAboutException(text);
    if (answer == ExceptionAnswer::Stop) callSystemExit(env_, -1);
    env_->Throw(exception);
    return answer != ExceptionAnswer::Ignore;
}

MainOutcome JvmHost::invokeMain(const MainInvocation& invocation, const MessageOwner& owner) {
    // A thread that ends attached keeps DestroyJavaVM waiting for it for
    // ever, so every way out that does not call main detaches too.
    auto fail = [this] {
        vm()->DetachCurrentThread();
        return MainOutcome::Failed;
    };
    if (trace::on()) {
        trace::say({u"main class lookup: ", invocation.mainClass,
                    entries_.findClassFromBootLoader ? u" (through the runtime's launcher helper)" : u" (FindClass)"});
    }
    jclass mainClass = findMainClass(invocation, owner);
    if (!mainClass) {
        if (trace::on()) trace::line(u"main class not found");
        return fail();
    }
    jmethodID main = env_->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (trace::on()) trace::line(main ? u"main class found; calling main" : u"main class found, but it has no main(String[])");
    if (!main) {
        if (env_->ExceptionCheck()) {
            env_->ExceptionDescribe();
        } else {
            showError(owner.load(), MessageId::MainMethodNotFound);
        }
        return fail();
    }
    jobjectArray arguments = toJavaStringArray(env_, invocation.arguments);
    if (!arguments) {
        env_->ExceptionDescribe();
        return fail();
    }
    if (invocation.mainStarted) {
        invocation.mainStarted(invocation.mainStartedContext, declaresSecondaryMain(env_, mainClass));
    }
    env_->CallStaticVoidMethod(mainClass, main, arguments);
    const bool uncaught = reportUncaughtException(invocation);
    if (invocation.parkAfterMain) {
        // That runtime ends the process only through System.exit.
        while (true) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    // Detaching hands the exception still pending to the thread's uncaught
    // exception handler, which prints it.
    if (vm()->DetachCurrentThread() != JNI_OK) return MainOutcome::Failed;
    return uncaught ? MainOutcome::Uncaught : MainOutcome::Returned;
}

void JvmHost::destroyVm() {
    JavaVM* vm = vm_->load();
    if (!vm) return;
    // Cleared only afterwards: a windowed program lives on inside this call
    // after main has returned, and the launches forwarded to it meanwhile
    // are still served. A worker that read the pointer just before it is
    // cleared finds the runtime refusing to attach, as one finding null
    // finds no runtime: either way its launch is told it was not served.
    vm->DestroyJavaVM();
    vm_->store(nullptr);
    env_ = nullptr;
}

} // namespace launcher
