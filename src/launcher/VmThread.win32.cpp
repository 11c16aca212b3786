#include "launcher/VmThread.h"
#include "base/Handles.win32.h"

namespace launcher {

namespace {

DWORD WINAPI runJob(void* param) {
    auto* body = static_cast<const std::function<int()>*>(param);
    return static_cast<DWORD>((*body)());
}

} // namespace

bool runOnNewThread(uint64_t stackSize, const std::function<int()>& body, int& result) {
    UniqueHandle thread(CreateThread(nullptr, static_cast<SIZE_T>(stackSize), &runJob,
                                     const_cast<std::function<int()>*>(&body), 0, nullptr));
    if (!thread) return false;
    WaitForSingleObject(thread.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread.get(), &code);
    result = static_cast<int>(code);
    return true;
}

} // namespace launcher
