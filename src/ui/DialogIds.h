#pragma once
// Resource and control ids of the launcher's dialogs, as resources/
// dialogs.rc lays them out.

namespace launcher::dialog {

// Runtime-not-found dialog.
inline constexpr int kJreNotFound = 201;
inline constexpr int kJrePathEdit = 201;
inline constexpr int kBrowseButton = 202;
inline constexpr int kMessageText = 203;
inline constexpr int kErrorIcon = 204;
inline constexpr int kDownloadLink = 205;
inline constexpr int kBrowseHint = 206;
// Installing the vendor's pinned runtime: the button and its size line,
// then in their place the progress bar and its bytes-and-percent line.
inline constexpr int kInstallButton = 213;
inline constexpr int kInstallNote = 214;
inline constexpr int kInstallProgress = 215;
inline constexpr int kInstallStatus = 216;

// The progress window of an install that asks nothing first; the same
// progress bar, status line and IDCANCEL.
inline constexpr int kInstallWindow = 241;

// Uncaught-exception dialog.
inline constexpr int kJavaException = 231;
inline constexpr int kTraceEdit = 208;
inline constexpr int kExceptionGroup = 209;
inline constexpr int kExceptionIntro = 210;
inline constexpr int kIgnoreHint = 211;
inline constexpr int kStopWarning = 212;
inline constexpr int kSizeGrip = 0xE801;

} // namespace launcher::dialog
