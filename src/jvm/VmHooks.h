#pragma once
// The hooks the virtual machine calls when the Java program exits or
// aborts. They forward to a listener when one is set, else return at once.

#include <jni.h>

namespace launcher {

class VmExitListener {
public:
    virtual ~VmExitListener() = default;
    virtual void exit(jint code) = 0;
    virtual void abort() = 0;
};

void setVmExitListener(VmExitListener* listener);

// Told first when the VM exits while the runtime's launcher helper looks up
// the main class: an exit there is the helper giving up on it. Set for the
// length of that lookup only, beside the listener above.
using HelperExitHandler = void (*)(jint code, void* context);
void setHelperExitHandler(HelperExitHandler handler, void* context);

// Work for the end of the Java program, done once: by the exit hook, after
// the runtime's own exit work, or by runVmEndWork when the program ends
// without it (main returned and the last thread ended).
using VmEndWork = void (*)(void* context);
void setVmEndWork(VmEndWork work, void* context);
void runVmEndWork();

// Told first when the VM exits or aborts while it is being created: a
// runtime that cannot start may end the process from inside creation
// instead of returning an error, and the launcher may still start again on
// another runtime. Set for the length of the creation only.
using CreateEndHandler = void (*)(void* context);
void setCreateEndHandler(CreateEndHandler handler, void* context);

void JNICALL vmExitHook(jint code);
void JNICALL vmAbortHook();

} // namespace launcher
