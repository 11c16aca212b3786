// Faults of the scripted programs themselves, as a bug in an application
// makes them: the launcher around them must cope with a process that dies
// of its own fault, not only with one that is killed.

#include "runtime/Runtime.h"

#include <cstdlib>

namespace standin {

// The undefined-behaviour checker of the sanitized build would report the
// read and end the process itself; the fault must reach the system as it
// does in a real program.
__attribute__((no_sanitize("undefined"))) void crashProcess() {
    // A read through a null pointer, as the program's own bug would make.
    volatile const int* nowhere = nullptr;
    static_cast<void>(*nowhere);
    std::abort();
}

} // namespace standin
