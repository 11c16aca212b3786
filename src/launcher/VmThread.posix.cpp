#include "launcher/VmThread.h"

#include <pthread.h>

namespace launcher {

namespace {

struct Job {
    const std::function<int()>* body;
    int result = 1;
};

void* runJob(void* param) {
    auto* job = static_cast<Job*>(param);
    job->result = (*job->body)();
    return nullptr;
}

} // namespace

bool runOnNewThread(uint64_t stackSize, const std::function<int()>& body, int& result) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    if (stackSize > 0) pthread_attr_setstacksize(&attributes, static_cast<size_t>(stackSize));
    Job job{&body};
    pthread_t thread;
    int created = pthread_create(&thread, &attributes, &runJob, &job);
    pthread_attr_destroy(&attributes);
    if (created != 0) return false;
    pthread_join(thread, nullptr);
    result = job.result;
    return true;
}

} // namespace launcher
