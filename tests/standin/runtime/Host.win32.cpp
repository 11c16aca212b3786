#include "runtime/Runtime.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace standin {

namespace {

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The process's environment as it is now (the C runtime's copy is taken at
// start and misses later changes).
std::wstring variable(const wchar_t* name) {
    std::wstring value(64, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length >= value.size()) {
        value.resize(length);
        length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    }
    value.resize(length < value.size() ? length : 0);
    return value;
}

// Each thread's record lives in a slot of the system's own thread storage
// and ends when the system tells this library that the thread ends. Not a
// thread_local with a destructor: in a DLL built with mingw-w64, the C++
// library runs such destructors from a list kept in emulated thread
// storage, and under a burst of threads that come and go (the launcher's
// forwarding workers) that left the process heap corrupted or the process
// hung. The heap is the launcher's too: the launcher then crashed far away
// from here.
const DWORD threadSlot = TlsAlloc();

} // namespace

Thread& currentThread() {
    auto* thread = static_cast<Thread*>(TlsGetValue(threadSlot));
    if (!thread) {
        thread = new Thread;
        TlsSetValue(threadSlot, thread);
    }
    return *thread;
}

std::FILE* openTraceFile() {
    std::wstring path = variable(L"STANDIN_TRACE");
    return path.empty() ? nullptr : _wfopen(path.c_str(), L"ab");
}

std::string environmentText(const char* name) {
    std::wstring value = variable(std::wstring(name, name + std::strlen(name)).c_str());
    return toUtf8(std::u16string(value.begin(), value.end()));
}

std::FILE* openOutputFile(std::u16string_view path, bool append, std::string& reason) {
    std::u16string name(path);
    // As a real runtime does, a path beyond MAX_PATH is opened in its
    // extended-length form.
    if (name.size() >= 260 && name.rfind(u"\\\\", 0) != 0) name.insert(0, u"\\\\?\\");
    std::FILE* file = _wfopen(wide(name), append ? L"ab" : L"wb");
    if (!file) reason = std::strerror(errno);
    return file;
}

void writeConsole(int stream, std::string_view bytes) {
    // A GUI process may have no standard handles at all.
    HANDLE handle = GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

const char* lineSeparator() { return "\r\n"; }

std::string loadMarkerLibrary(const std::string& nameUtf8) {
    // Never freed: the runtime keeps what it loads.
    HMODULE library = LoadLibraryW(wide(fromUtf8(nameUtf8)));
    if (!library) return "failed (error " + std::to_string(GetLastError()) + ")";
    auto marker = reinterpret_cast<const char* (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "standinMarker")));
    return marker ? marker() : "no marker";
}

void exitProcess(int code) {
    std::fflush(nullptr);
    std::exit(code);
}

void abortProcess() {
    // No "abnormal termination" box that would hold a test until its time
    // runs out: the process just ends with abort's code.
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

void killProcess(int code) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    std::abort();
}

} // namespace standin

// A thread that ends: its record goes with it, and one that ends attached
// is reported (see Thread::~Thread).
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_THREAD_DETACH && standin::threadSlot != TLS_OUT_OF_INDEXES) {
        delete static_cast<standin::Thread*>(TlsGetValue(standin::threadSlot));
        TlsSetValue(standin::threadSlot, nullptr);
    }
    return TRUE;
}
