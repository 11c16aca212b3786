#pragma once
// The launcher's hold on the Java virtual machine: the loaded runtime
// library, the VM, and the thread that created it.

#include "base/Messages.h"
#include "base/Platform.h"
#include "jvm/JniTypes.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace launcher {

// The VM as the threads that serve forwarded launches see it: null before
// it exists and once it has been destroyed. Shared, so that a worker still
// running when the launch object is gone reads a live cell.
using SharedVm = std::shared_ptr<const std::atomic<JavaVM*>>;

struct RedirectFiles {
    std::u16string outputFile; // empty: System.out stays
    bool outputAppend = false;
    std::u16string errorFile;  // empty: System.err stays
    bool errorAppend = false;
};

struct MainInvocation {
    std::u16string mainClass; // "/" as package separator
    std::vector<std::u16string> arguments;
    bool failureCheck = false;
    // Both IBM provider flags: that runtime's VM thread must never detach.
    bool parkAfterMain = false;
    // Signalled just before main is called, saying whether the main class
    // has a secondaryMain; may be null.
    void (*mainStarted)(void* context, bool servesLaunches) = nullptr;
    void* mainStartedContext = nullptr;
    // Called when main has thrown, before the user may be asked about it
    // (the splash must not cover the question); may be empty.
    std::function<void()> beforeAskingUser;
    // Called when the main class cannot be found, before any message: a
    // start on a runtime never tried before goes back to the one it
    // replaced there, and does not return. May be empty.
    std::function<void()> mainClassMissing;
};

// How the call of main ended, as far as the exit code is concerned. The
// values are the VM thread's exit code.
enum class MainOutcome : int {
    Returned = 0, // main returned, or threw and the user chose to go on
    Failed = 1,   // main was not called, or the thread could not detach
    Uncaught = 2, // main threw and nobody chose to go on
};

class JvmHost {
public:
    // Each step reads owner when it shows a message, not when it starts.
    bool load(std::u16string_view jvmPath, const MessageOwner& owner);
    // The runtime's default thread stack size in bytes; 0 when it gives none.
    uint64_t defaultStackSize() const;
    // Creates the VM with the options plus the "abort" and "exit" hooks,
    // then redirects the standard streams to the files that redirectFiles
    // names once the VM exists (so that their time stamps are its own).
    // With reportFailure false, a failure shows no message: the caller tries
    // again.
    bool createVm(const std::vector<std::string>& options, const std::function<RedirectFiles()>& redirectFiles,
                  const MessageOwner& owner, bool reportFailure = true);
    // The message of the last failed createVm, for a caller that asked for none.
    void reportCreateFailure(const MessageOwner& owner) const;
    MainOutcome invokeMain(const MainInvocation& invocation, const MessageOwner& owner);
    // From the next createVm on, the runtime's notices about the cache it
    // records are kept from the output (see RuntimeOutput.h).
    void filterCacheNotices() { filterCacheNotices_ = true; }
    // DestroyJavaVM: waits for the program's non-daemon threads. The VM
    // stays readable through vm() while it waits, and reads null once it
    // has returned.
    void destroyVm();

    JavaVM* vm() const { return vm_->load(); }
    // Read by the workers that serve forwarded launches, on threads of
    // their own, while the end of the run clears it.
    SharedVm sharedVm() const { return vm_; }
    bool loaded() const { return entries_.createJavaVm != nullptr; }

private:
    jclass findMainClass(const MainInvocation& invocation, const MessageOwner& owner);
    // True when main left an exception that nobody chose to go on from.
    bool reportUncaughtException(const MainInvocation& invocation);

    JvmEntryPoints entries_;
    std::shared_ptr<std::atomic<JavaVM*>> vm_ = std::make_shared<std::atomic<JavaVM*>>(nullptr);
    JNIEnv* env_ = nullptr;
    jint createResult_ = JNI_OK;
    bool filterCacheNotices_ = false;
};

} // namespace launcher
