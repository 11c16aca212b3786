#include "launcher/RuntimeInstallHook.h"
#include "ui/ProgressText.h"
#include "base/Text.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

int installerCalls = 0;
bool countingInstaller(const RuntimeDownload&, const std::u16string&) {
    ++installerCalls;
    return true;
}

std::u16string stepFolder;
std::u16string recordingStep(const RuntimeDownload& pin, const std::u16string& folder, const InstallProgress& progress,
                             const std::atomic<bool>& cancel) {
    stepFolder = folder;
    progress(5, pin.size);
    return cancel ? u"cancelled" : u"";
}

struct PlanRow {
    const char* name;
    PinnedInstallFacts facts;
    PinnedInstallRoute route;
    const char16_t* why;
};

// Who installs, and when a pinned runtime is not installed at all.
TEST(RuntimeInstallHook, PlanOfAStartThatFoundNoRuntime) {
    using enum PinnedInstallRoute;
    const PlanRow rows[] = {
        {"no pin", {.configured = false, .installer = true, .step = true}, None, u""},
        {"terminal installer", {.configured = true, .installer = true}, Automatic, u""},
        {"terminal ignores the mode", {.configured = true, .automatic = true, .installer = true}, Automatic, u""},
        {"dialog offers", {.configured = true, .step = true}, Offered, u""},
        {"automatic window", {.configured = true, .automatic = true, .step = true}, Automatic, u""},
        {"elevated", {.configured = true, .refused = u"elevated", .automatic = true, .step = true}, None, u"elevated"},
        {"elevated terminal", {.configured = true, .refused = u"elevated", .installer = true}, None, u"elevated"},
        {"service", {.configured = true, .service = true, .automatic = true, .step = true}, None,
         u"a service installs no runtime"},
        {"service terminal", {.configured = true, .service = true, .installer = true}, None,
         u"a service installs no runtime"},
        {"no installer", {.configured = true, .automatic = true}, None, u"this launcher does not install runtimes"},
    };
    for (const PlanRow& row : rows) {
        const PinnedInstallPlan plan = planPinnedInstall(row.facts);
        EXPECT_EQ(plan.route, row.route) << row.name;
        EXPECT_EQ(plan.why, row.why) << row.name;
    }
}

TEST(RuntimeInstallHook, InstallsThroughTheInstallerOrOffersTheStep) {
    const RuntimeDownload pin{.url = u"https://example.com/jre.zip", .sha256 = std::u16string(64, u'a'), .size = 9};
    const std::u16string folder = u"/data/viewer/CODE/runtime/aaaaaaaaaaaaaaaa/";
    installerCalls = 0;
    setRuntimeInstaller(&countingInstaller);
    setRuntimeInstallStep(nullptr);
    EXPECT_EQ(pinnedInstallRoute(pin, folder, u"", false), PinnedInstallRoute::Automatic);
    EXPECT_EQ(pinnedInstallRoute(pin, u"", u"", false), PinnedInstallRoute::None);
    EXPECT_EQ(pinnedInstallRoute(RuntimeDownload{}, folder, u"", false), PinnedInstallRoute::None);
    EXPECT_FALSE(pinnedInstallOffer(pin, folder, u"Viewer")) << "nothing to offer without a step";
    EXPECT_TRUE(installPinnedRuntime(pin, folder, u"Viewer"));
    EXPECT_EQ(installerCalls, 1);
    setRuntimeInstaller(nullptr);

    setRuntimeInstallStep(&recordingStep);
    EXPECT_EQ(pinnedInstallRoute(pin, folder, u"", false), PinnedInstallRoute::Offered);
    const InstallOffer offer = pinnedInstallOffer(pin, folder, u"Viewer");
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer.productName, u"Viewer");
    EXPECT_EQ(offer.size, std::optional<uint64_t>(9));
    std::optional<uint64_t> reported;
    std::atomic<bool> cancel{false};
    EXPECT_EQ(offer.task([&](uint64_t, std::optional<uint64_t> total) { reported = total; }, cancel), u"");
    EXPECT_EQ(stepFolder, folder);
    EXPECT_EQ(reported, std::optional<uint64_t>(9));
    cancel = true;
    EXPECT_EQ(offer.task([](uint64_t, std::optional<uint64_t>) {}, cancel), u"cancelled");
    setRuntimeInstallStep(nullptr);
    EXPECT_EQ(installerCalls, 1);
}

TEST(RuntimeInstallHook, ProgressInMegabytesAndPermille) {
    EXPECT_EQ(progressLine(0, std::nullopt), u"Downloading the Java runtime: 0.0 MB");
    EXPECT_EQ(progressLine(12'549'999, 45'000'000), u"Downloading the Java runtime: 12.5 of 45.0 MB (27%)");
    EXPECT_EQ(progressLine(45'000'000, 45'000'000), u"Downloading the Java runtime: 45.0 of 45.0 MB (100%)");
    EXPECT_EQ(progressLine(7'000'000, 0), u"Downloading the Java runtime: 7.0 MB");
    EXPECT_EQ(progressPermille(1, std::nullopt), 0);
    EXPECT_EQ(progressPermille(1, 0), 0);
    EXPECT_EQ(progressPermille(12'549'999, 45'000'000), 278);
    EXPECT_EQ(progressPermille(46'000'000, 45'000'000), 1000) << "a server that sends more than it said";
    EXPECT_EQ(progressPermille(UINT64_MAX / 2, UINT64_MAX), 500) << "no overflow";
}

TEST(RuntimeInstallHook, InstallNoteNamesTheSizeWhenKnown) {
    EXPECT_NE(installNote(45'000'000).find(u"45.0 MB"), std::u16string::npos) << toUtf8(installNote(45'000'000));
    EXPECT_EQ(installNote(std::nullopt).find(u"MB"), std::u16string::npos);
    EXPECT_EQ(installNote(0), installNote(std::nullopt));
    EXPECT_FALSE(installNote(std::nullopt).empty());
}

} // namespace
} // namespace launcher
