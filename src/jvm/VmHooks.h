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

void JNICALL vmExitHook(jint code);
void JNICALL vmAbortHook();

} // namespace launcher
