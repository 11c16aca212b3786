#include "ui/InstallProgressView.win32.h"

#include "base/Format.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"
#include "ui/DialogIds.h"
#include "ui/DialogPlacement.win32.h"
#include "ui/InstallWorker.win32.h"
#include "ui/ProgressText.h"
#include "ui/Shell.win32.h"

#include <commctrl.h>

namespace launcher {

bool loadProgressControl() {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    return comctl::InitCommonControlsEx(&classes) != FALSE;
}

void prepareProgressBar(HWND bar) { SendMessageW(bar, PBM_SETRANGE32, 0, 1000); }

void showInstallProgress(HWND bar, HWND status, uint64_t received, std::optional<uint64_t> total) {
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(progressPermille(received, total)), 0);
    SetWindowTextW(status, wide(progressLine(received, total)));
}

namespace {

class InstallWindow {
public:
    explicit InstallWindow(const InstallOffer& offer) : offer_(offer) {}

    // IDOK when installed, IDCANCEL when not, -1 when no window was shown.
    INT_PTR run() {
        if (!loadProgressControl()) return -1;
        return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog::kInstallWindow), GetActiveWindow(),
                               &dialogProc, reinterpret_cast<LPARAM>(this));
    }
    bool workerFailed() const { return workerFailed_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            reinterpret_cast<InstallWindow*>(lParam)->dialog_ = dialog;
        }
        auto* self = reinterpret_cast<InstallWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
        return self ? self->handle(message, wParam) : FALSE;
    }

    INT_PTR handle(UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG:
            initialise();
            return TRUE;
        case InstallWorker::kProgressMessage: {
            uint64_t received = 0;
            std::optional<uint64_t> total;
            if (worker_.progress(received, total)) showInstallProgress(bar(), status(), received, total);
            return TRUE;
        }
        case InstallWorker::kFinishedMessage:
            if (worker_.finish()) finished();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            // Ends the download at once; the window goes when the worker
            // has removed what it wrote.
            if (trace::on() && !worker_.cancelled()) trace::line(u"runtime install: cancelled by the user");
            worker_.cancel();
            EnableWindow(GetDlgItem(dialog_, IDCANCEL), FALSE);
            return TRUE;
        default:
            return FALSE;
        }
    }

    void initialise() {
        SetWindowTextW(dialog_, wide(formatMessage(loadMessage(MessageId::InstallWindowTitle), {offer_.productName})));
        prepareProgressBar(bar());
        showInstallProgress(bar(), status(), 0, offer_.size);
        centreDialog(dialog_);
        if (!worker_.start(dialog_, offer_.task)) {
            workerFailed_ = true;
            EndDialog(dialog_, -1);
        }
    }

    void finished() {
        const bool installed = worker_.failure().empty();
        if (!installed && !worker_.cancelled()) showError(dialog_, worker_.failure());
        EndDialog(dialog_, installed ? IDOK : IDCANCEL);
    }

    HWND bar() const { return GetDlgItem(dialog_, dialog::kInstallProgress); }
    HWND status() const { return GetDlgItem(dialog_, dialog::kInstallStatus); }

    const InstallOffer& offer_;
    HWND dialog_ = nullptr;
    InstallWorker worker_;
    bool workerFailed_ = false;
};

} // namespace

bool runInstallWindow(const InstallOffer& offer) {
    InstallWindow window(offer);
    const INT_PTR result = window.run();
    if (result != -1) return result == IDOK;
    // No window (or no thread for the work): the install still runs, on
    // this thread and without progress, rather than not at all.
    if (trace::on()) trace::line(u"runtime install: no progress window could be shown; installing without one");
    const std::atomic<bool> never{false};
    const std::u16string failure = offer.task([](uint64_t, std::optional<uint64_t>) {}, never);
    if (!failure.empty()) showError(nullptr, failure);
    return failure.empty();
}

} // namespace launcher
