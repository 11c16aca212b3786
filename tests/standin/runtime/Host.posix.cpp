#include "runtime/Runtime.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace standin {

std::FILE* openTraceFile() {
    const char* path = std::getenv("STANDIN_TRACE");
    return path && *path ? std::fopen(path, "ab") : nullptr;
}

std::string environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::FILE* openOutputFile(std::u16string_view path, bool append, std::string& reason) {
    std::FILE* file = std::fopen(toUtf8(path).c_str(), append ? "ab" : "wb");
    if (!file) reason = std::strerror(errno);
    return file;
}

void writeConsole(int stream, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(stream == 2 ? 2 : 1, bytes.data(), bytes.size());
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

const char* lineSeparator() { return "\n"; }

std::string loadMarkerLibrary(const std::string& nameUtf8) {
    void* library = dlopen(nameUtf8.c_str(), RTLD_NOW);
    if (!library) return std::string("failed (") + dlerror() + ")";
    auto marker = reinterpret_cast<const char* (*)()>(dlsym(library, "standinMarker"));
    return marker ? marker() : "no marker";
}

void exitProcess(int code) {
    // As the JVM does: the C runtime's exit, so the launcher's own buffered
    // output and exit handlers still run.
    std::exit(code);
}

void abortProcess() { std::abort(); }

void killProcess(int) {
    // A killed process has no exit code of its own to give.
    ::kill(::getpid(), SIGKILL);
    std::_Exit(137);
}

Thread& currentThread() {
    thread_local Thread thread;
    return thread;
}

} // namespace standin
