#include "install/HttpExchange.h"

#include "base/SystemError.h"
#include "base/SystemLibrary.win32.h"
#include "base/Text.h"

#include <windows.h>
#include <winhttp.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace launcher {

namespace {

// WinHTTP is loaded when a download starts: a plain start of the launcher
// never maps it, and the executable's imports stay the few system DLLs.
constexpr wchar_t kWinHttp[] = L"winhttp.dll";
using WinHttp = LazySystemLibrary<kWinHttp>;

void closeInternet(HINTERNET handle) {
    if (auto* const close = WinHttp::bind<decltype(::WinHttpCloseHandle), "WinHttpCloseHandle">()) close(handle);
}
using UniqueInternet = UniqueResource<NullEmptyTraits<HINTERNET, closeInternet>>;

// WinHTTP's own errors (12000 and up) have their texts in winhttp.dll.
std::u16string winHttpErrorText(DWORD code) {
    HMODULE module = GetModuleHandleW(kWinHttp);
    wchar_t* text = nullptr;
    const DWORD length = module ? FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
            FORMAT_MESSAGE_IGNORE_INSERTS, module, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr) : 0;
    if (length == 0) return systemErrorText(code);
    std::u16string result(reinterpret_cast<const char16_t*>(text), length);
    LocalFree(text);
    while (!result.empty() && (result.back() == u'\n' || result.back() == u'\r' || result.back() == u'.')) {
        result.pop_back();
    }
    return result;
}

bool isSecureFailure(DWORD code) {
    switch (code) {
    case ERROR_WINHTTP_SECURE_FAILURE: case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CA: case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID: case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED: case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
        return true;
    default:
        return false;
    }
}

// A blocked WinHTTP read cannot be interrupted everywhere (Wine ignores a
// handle closed under it), so with a cancel flag the exchange runs on a
// thread of its own and the caller stops waiting for it as soon as the flag
// is set. From then on the thread hands nothing more to the caller's
// handler; it ends by itself at the stall limit at the latest, or with the
// process, which does not wait for it.
struct SharedExchange {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    ExchangeHandler* handler = nullptr;
    ExchangeOutcome outcome;
};

class GuardedHandler final : public ExchangeHandler {
public:
    explicit GuardedHandler(std::shared_ptr<SharedExchange> shared) : shared_(std::move(shared)) {}
    bool head(const ResponseHead& head) override {
        std::lock_guard lock(shared_->mutex);
        return !shared_->abandoned && shared_->handler->head(head);
    }
    bool body(std::span<const uint8_t> bytes) override {
        std::lock_guard lock(shared_->mutex);
        return !shared_->abandoned && shared_->handler->body(bytes);
    }

private:
    std::shared_ptr<SharedExchange> shared_;
};

std::optional<std::wstring> queryText(HINTERNET request, DWORD what) {
    auto* const query = WinHttp::bind<decltype(::WinHttpQueryHeaders), "WinHttpQueryHeaders">();
    std::wstring value(64, L'\0');
    for (;;) {
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (query(request, what, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &bytes, WINHTTP_NO_HEADER_INDEX)) {
            value.resize(bytes / sizeof(wchar_t));
            return value;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        value.resize(bytes / sizeof(wchar_t) + 1);
    }
}

std::optional<uint64_t> parseDecimal(const std::wstring& digits) {
    if (digits.empty() || digits.size() > 19) return std::nullopt;
    uint64_t value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    return value;
}

ResponseHead readHead(HINTERNET request) {
    ResponseHead head;
    const std::optional<std::wstring> status = queryText(request, WINHTTP_QUERY_STATUS_CODE);
    if (status) head.status = static_cast<int>(parseDecimal(*status).value_or(0));
    if (const auto length = queryText(request, WINHTTP_QUERY_CONTENT_LENGTH)) head.contentLength = parseDecimal(*length);
    if (const auto location = queryText(request, WINHTTP_QUERY_LOCATION)) {
        head.location = toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(location->data()), location->size()));
    }
    return head;
}

// The body, a piece at a time, into the handler; the error code of a
// failed read, 0 at the end, or ERROR_CANCELLED when the handler stopped.
DWORD readBody(HINTERNET request, ExchangeHandler& handler) {
    auto* const read = WinHttp::bind<decltype(::WinHttpReadData), "WinHttpReadData">();
    std::vector<uint8_t> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!read(request, buffer.data(), static_cast<DWORD>(buffer.size()), &got)) return GetLastError();
        if (got == 0) return 0;
        if (!handler.body(std::span<const uint8_t>(buffer.data(), got))) return ERROR_CANCELLED;
    }
}

ExchangeOutcome failure(DWORD code) {
    // Wine reports a receive time-out as the socket's own error.
    if (code == ERROR_WINHTTP_TIMEOUT || code == WSAETIMEDOUT) return {ExchangeEnd::Stalled, winHttpErrorText(code)};
    if (isSecureFailure(code)) return {ExchangeEnd::Tls, winHttpErrorText(code)};
    return {ExchangeEnd::Connection, winHttpErrorText(code)};
}

ExchangeOutcome exchangeNow(const WebAddress& address, ExchangeHandler& handler, std::chrono::milliseconds stallLimit);

// What the exchange's thread owns: its share of the exchange and its request.
struct ExchangeThread {
    std::shared_ptr<SharedExchange> shared;
    WebAddress address;
    std::chrono::milliseconds stallLimit;
};

DWORD WINAPI runExchangeThread(void* parameter) {
    const std::unique_ptr<ExchangeThread> own(static_cast<ExchangeThread*>(parameter));
    GuardedHandler guarded(own->shared);
    ExchangeOutcome outcome = exchangeNow(own->address, guarded, own->stallLimit);
    std::lock_guard lock(own->shared->mutex);
    own->shared->outcome = std::move(outcome);
    own->shared->done = true;
    own->shared->finished.notify_all();
    return 0;
}

// A thread that the caller may abandon, blocked inside WinHTTP. So that its
// code stays mapped until the process ends, winhttp.dll is pinned (the
// static library object frees it as the process exits, while such a thread
// may still run). A thread of CreateThread with state it owns, not a
// detached std::thread (see the single-instance primary's threads).
bool startExchangeThread(const std::shared_ptr<SharedExchange>& shared, const WebAddress& address,
                         std::chrono::milliseconds stallLimit) {
    HMODULE pinned = nullptr;
    if (!WinHttp::bind<decltype(::WinHttpOpen), "WinHttpOpen">() ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, kWinHttp, &pinned)) {
        return false;
    }
    auto state = std::make_unique<ExchangeThread>(ExchangeThread{shared, address, stallLimit});
    const HANDLE thread = CreateThread(nullptr, 0, &runExchangeThread, state.get(), 0, nullptr);
    if (!thread) return false;
    state.release();
    CloseHandle(thread);
    return true;
}

} // namespace

ExchangeOutcome exchange(const WebAddress& address, ExchangeHandler& handler,
    std::chrono::milliseconds stallLimit, const std::atomic<bool>* cancel) {
    if (!cancel) return exchangeNow(address, handler, stallLimit);
    auto shared = std::make_shared<SharedExchange>();
    shared->handler = &handler;
    if (!startExchangeThread(shared, address, stallLimit)) return exchangeNow(address, handler, stallLimit);
    std::unique_lock lock(shared->mutex);
    while (!shared->done) {
        if (cancel->load()) {
            shared->abandoned = true;
            return {ExchangeEnd::Cancelled, {}};
        }
        shared->finished.wait_for(lock, std::chrono::milliseconds(20));
    }
    return shared->outcome;
}

namespace {

ExchangeOutcome exchangeNow(const WebAddress& address, ExchangeHandler& handler, std::chrono::milliseconds stallLimit) {
    auto* const open = WinHttp::bind<decltype(::WinHttpOpen), "WinHttpOpen">();
    auto* const timeouts = WinHttp::bind<decltype(::WinHttpSetTimeouts), "WinHttpSetTimeouts">();
    auto* const connect = WinHttp::bind<decltype(::WinHttpConnect), "WinHttpConnect">();
    auto* const openRequest = WinHttp::bind<decltype(::WinHttpOpenRequest), "WinHttpOpenRequest">();
    auto* const setOption = WinHttp::bind<decltype(::WinHttpSetOption), "WinHttpSetOption">();
    auto* const send = WinHttp::bind<decltype(::WinHttpSendRequest), "WinHttpSendRequest">();
    auto* const receive = WinHttp::bind<decltype(::WinHttpReceiveResponse), "WinHttpReceiveResponse">();
    if (!open || !timeouts || !connect || !openRequest || !setOption || !send || !receive ||
        !WinHttp::bind<decltype(::WinHttpQueryHeaders), "WinHttpQueryHeaders">() ||
        !WinHttp::bind<decltype(::WinHttpReadData), "WinHttpReadData">() ||
        !WinHttp::bind<decltype(::WinHttpCloseHandle), "WinHttpCloseHandle">()) {
        return {ExchangeEnd::NoLibrary, systemErrorText(ERROR_PROC_NOT_FOUND)};
    }
    // The user's own proxy settings where the system can follow them
    // (Windows 8.1 and later); before that, WinHTTP's machine-wide ones.
    UniqueInternet session(open(L"launcher", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
        WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        session.reset(open(L"launcher", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
            WINHTTP_NO_PROXY_BYPASS, 0));
    }
    if (!session) return {ExchangeEnd::Connection, winHttpErrorText(GetLastError())};
    // Each wait (name, connection, sending, every read) ends after the stall
    // limit: a connection that delivers nothing for that long is given up.
    const int limit = static_cast<int>(stallLimit.count());
    timeouts(session.get(), limit, limit, limit, limit);
    const std::wstring host(address.host.begin(), address.host.end());
    UniqueInternet connection(connect(session.get(), host.c_str(), address.port, 0));
    if (!connection) return {ExchangeEnd::Connection, winHttpErrorText(GetLastError())};
    const std::u16string target = fromUtf8(address.target);
    const HINTERNET request = openRequest(connection.get(), L"GET", reinterpret_cast<const wchar_t*>(target.c_str()),
        nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, address.scheme == "https" ? WINHTTP_FLAG_SECURE : 0);
    if (!request) return {ExchangeEnd::Connection, winHttpErrorText(GetLastError())};
    // Redirects come back to the caller, which checks each against the
    // address policy before it follows.
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    setOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);

    UniqueInternet owned(request);
    if (!send(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !receive(request, nullptr)) {
        return failure(GetLastError());
    }
    if (!handler.head(readHead(request))) return {ExchangeEnd::Stopped, {}};
    const DWORD code = readBody(request, handler);
    if (code == ERROR_CANCELLED) return {ExchangeEnd::Stopped, {}};
    if (code != 0) return failure(code);
    return {};
}

} // namespace

} // namespace launcher
