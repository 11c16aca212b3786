#include "runtime/Runtime.h"

#include <mutex>

namespace standin {

namespace {
std::mutex& traceLock() {
    static auto* lock = new std::mutex; // outlives every static destructor
    return *lock;
}
} // namespace

void trace(std::string_view line) {
    std::lock_guard guard(traceLock());
    // Opened and closed for each line: the process may end at any moment,
    // through System.exit or a crash, and the test reads what came before.
    std::FILE* file = openTraceFile();
    if (!file) return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
}

void fatal(std::string_view what) {
    std::string line = "stand-in runtime: ";
    line += what;
    line += '\n';
    writeConsole(2, line);
    trace("FATAL " + std::string(what));
    abortProcess();
}

} // namespace standin
