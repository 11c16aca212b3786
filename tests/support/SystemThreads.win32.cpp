#include "support/SystemThreads.h"

#include "base/Handles.win32.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace launcher::test {

namespace {

struct Job {
    const std::function<void(int)>* body;
    int index;
};

DWORD WINAPI runJob(void* param) {
    const auto* job = static_cast<const Job*>(param);
    (*job->body)(job->index);
    return 0;
}

} // namespace

void runOnSystemThreads(int count, const std::function<void(int index)>& body) {
    std::vector<Job> jobs;
    for (int i = 0; i < count; ++i) jobs.push_back({&body, i});
    std::vector<UniqueHandle> threads;
    for (Job& job : jobs) {
        threads.emplace_back(CreateThread(nullptr, 0, &runJob, &job, 0, nullptr));
        if (!threads.back()) throw std::runtime_error("CreateThread failed");
    }
    for (UniqueHandle& thread : threads) WaitForSingleObject(thread.get(), INFINITE);
}

} // namespace launcher::test
