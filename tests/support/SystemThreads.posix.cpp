#include "support/SystemThreads.h"

#include <thread>
#include <vector>

namespace launcher::test {

void runOnSystemThreads(int count, const std::function<void(int index)>& body) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back(body, i);
    for (std::thread& thread : threads) thread.join();
}

} // namespace launcher::test
