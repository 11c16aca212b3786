#pragma once
// The one way a failure is shown: a modal error box on Windows, one line on
// standard error on Linux. Texts come from the message table.

#include "base/Platform.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace launcher {

enum class MessageId : uint16_t {
    WindowsException = 202,
    JniException = 203,
    ComError = 204,
    JniExceptionShort = 205,
    JreNotFoundServer = 206,
    JreNotFound = 207,
    ModulePathFailed = 208,
    ClassPathMissing = 209,
    MainClassMissing = 210,
    MainClassLoadFailed = 211,
    CreateJavaVmMissing = 212,
    CreateJavaVmFailed = 213,
    BrowseForJre = 214,
    MainClassNotFound = 215,
    MainMethodNotFound = 216,
    LatestVersion = 217,
    MaximumVersion = 218,
    MinimumVersion = 219,
    VersionRequired = 220,
    VersionBetween = 221,
    JvmLibraryLoadFailed = 222,
    InitializeFailed = 223,
    InitializeModuleFailed = 224,
    JniReasonUnknown = 225,
    JniReasonDetached = 226,
    JniReasonVersion = 227,
    JniReasonNoMemory = 228,
    JniReasonExists = 229,
    JniReasonInvalid = 230,
    IniPathTooLong = 240,
    RuntimeTooWide = 241,
    PairStartFailed = 242,
    RuntimeUrlNotHttp = 243,
    RuntimeChecksumMissing = 244,
    RuntimeChecksumInvalid = 245,
    RuntimeSizeInvalid = 246,
    RuntimeNoProductFolder = 247,
    RuntimeWrongMachine = 248,
    RuntimeUrlClearText = 249,
    AppUserModelIdInvalid = 250,
    DownloadNotHttps = 260,
    DownloadMalformedAddress = 261,
    DownloadTooManyRedirects = 262,
    DownloadHttpStatus = 263,
    DownloadTls = 264,
    DownloadStalled = 265,
    DownloadCancelled = 266,
    DownloadConnection = 267,
    DownloadTruncated = 268,
    DownloadWriteFailed = 269,
    DownloadNoCurl = 270,
    InstallChecksumMismatch = 271,
    InstallRefused = 272,
    InstallLockTimedOut = 273,
    InstallFolderFailed = 274,
    InstallButton = 275,
    InstallNoteWithSize = 276,
    InstallNote = 277,
    InstallWindowTitle = 278,
    DownloadTooLarge = 279,
    InstallChecksumFailed = 280,
};

// The text of a message, loaded whole however long it is; empty for an id
// that the table does not hold.
std::u16string loadMessage(MessageId id);

// Shows an error with the system's default caption and the error icon.
// Returns the box's answer, or 0 when nothing could be shown.
int showError(WindowHandle owner, std::u16string_view text);
int showError(WindowHandle owner, MessageId id);
// Fills the loaded format's %s with the one argument and shows the result.
int showFormattedError(WindowHandle owner, MessageId format, std::u16string_view argument);

// The window that owns the message boxes of a long step, read when a box is
// shown: the splash window may come up (or go) while the step runs.
using MessageOwner = std::atomic<WindowHandle>;

// Where messages go: by default the platform's error box (standard error on
// Linux). Tests put a recorder in its place; returns the previous handler.
using MessageHandler = int (*)(WindowHandle owner, std::u16string_view text);
MessageHandler setMessageHandler(MessageHandler handler);
// The platform's own presentation, whatever handler is set.
int presentError(WindowHandle owner, std::u16string_view text);

// A system call failed: string 202 with the step's text and the error code.
std::u16string windowsErrorText(MessageId step, long long errorCode);
// A JNI invocation call returned an error code: string 203 with the step's
// text and the reason for the code (empty for codes outside -1 to -6).
std::u16string jniErrorText(MessageId step, int code);

} // namespace launcher
