#pragma once
// The look at the runtime feed downloads and installs, which the launcher
// core does not link (RuntimeInstallHook.h says why): the entry point of a
// launcher that installs hands the work in.

#include "update/FeedWork.h"

namespace launcher {

using RuntimeFeedWorker = void (*)(const FeedWork& work, const std::atomic<bool>& cancel);

void setRuntimeFeedWorker(RuntimeFeedWorker worker);
RuntimeFeedWorker runtimeFeedWorker();

// The feed's section for this launcher: "windows-x64", "windows-x86",
// "linux-x64"; "windows-arm64" names what no feed of ours holds.
std::u16string_view feedPlatform();

} // namespace launcher
