#pragma once
// The Java side of a forwarded launch: the main class's static
// secondaryMain(String[]), called on the calling thread, which attaches
// itself to the VM for the call.

#include "base/Text.h"

#include <cstdint>
#include <functional>

#include <jni.h>

namespace launcher {

struct SecondaryCall {
    JavaVM* vm = nullptr;
    std::u16string mainClass; // "/" as package separator
    TextList arguments;
    // Both IBM provider flags: that runtime's threads never detach.
    bool keepAttached = false;
};

// Calls secondaryMain and answers through reply: 0 before the call for the
// form without a result, the returned value after it for the int form. No
// answer when there is no class or no such method. enter is asked once the
// method is looked up, before anything reaches the program. False when the
// launch could not be served at all: there is no VM, this thread cannot
// attach, or enter said no.
// Whether the class has a static secondaryMain of either form.
bool declaresSecondaryMain(JNIEnv* env, jclass type);

bool runSecondaryMain(const SecondaryCall& call, const std::function<void(int32_t)>& reply,
                      const std::function<bool()>& enter);

} // namespace launcher
