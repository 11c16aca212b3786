#include "base/Environment.h"
#include "base/FileFinder.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "base/Trace.h"
#include "launcher/Arm64HandOver.h"
#include "launcher/HostMachine.h"
#include "launcher/LaunchTrace.h"
#include "launcher/Launcher.h"
#include "launcher/PairRelaunch.h"

// Launches that another launcher runs: the 32-bit pair, and the x64
// launcher and its ARM64 sibling handing the launch to each other. A
// launcher that hands over holds no single-instance slot while the other
// runs the application: the other takes its own, under its own path, and a
// later launch reaches the application there.

namespace launcher {

std::optional<int> Launcher::runElsewhere() {
    if (handOver_ == HandOverStep::ToSibling || handOver_ == HandOverStep::BackToX64) return runHandOver();
    if (pairRelaunch_) return runPair();
    return std::nullopt;
}

int Launcher::runPair() {
    if (instance_.role() == InstanceRole::Primary && trace::on()) {
        trace::line(u"single instance: the slot is given up: the paired launcher runs the application under its own");
    }
    instance_.stop();
    if (trace::on()) trace::say({u"starting the paired launcher: ", settings_.pairProduct});
    return runOtherLauncher(settings_.pairProduct, u"paired launcher", settings_.waitForPair);
}

int Launcher::runOtherLauncher(const std::u16string& path, std::u16string_view what, bool wait) {
    PairOutcome pair = relaunchPair(path, wait);
    const std::u16string name(what);
    if (!pair.started) {
        // Otherwise the user's start would end without a word.
        const std::u16string reason = systemErrorText(pair.error);
        if (trace::on()) trace::say({u"the ", name, u" cannot be started: ", reason});
        showError(messageOwner_, formatMessage(loadMessage(MessageId::PairStartFailed), {path, reason}));
        traceExit(-1, u"the " + name + u" cannot be started (message shown)");
        return -1;
    }
    if (!pair.abnormalEnd.empty()) {
        traceExit(pair.exitCode, pair.abnormalEnd);
        return pair.exitCode;
    }
    traceExit(pair.exitCode, wait ? u"the " + name + u"'s own code" : u"handed to the " + name);
    return pair.exitCode;
}

bool Launcher::handsOverToSibling() {
    if (std::optional<std::u16string> value = getEnvironmentVariable(kHandOverVariable)) {
        handOverMarker_ = readHandOverMarker(*value);
        // Neither the application nor any launch it makes inherits the mark.
        unsetEnvironmentVariable(kHandOverVariable);
        if (trace::on()) {
            if (handOverMarker_.mark == HandOverMark::FromX64) {
                trace::say({u"hand-over: started by the x64 launcher ", handOverMarker_.x64Launcher,
                            u"; without a runtime for this launcher the launch goes back to it"});
            } else if (handOverMarker_.mark == HandOverMark::Returned) {
                trace::line(u"hand-over: handed back by the ARM64 sibling, which found no ARM64 runtime: this "
                            u"launcher searches itself and hands over no more");
            } else {
                trace::say({u"hand-over: ", kHandOverVariable, u" holds no mark of the launcher's: ignored"});
            }
        }
    }
    if (settings_.arm64Product.empty()) return false;
    std::u16string module;
    if (!getModulePath(module)) return false;
    SiblingPath sibling = siblingBesideLauncher(settings_.arm64Product, module);
    if (!sibling.refusal.empty()) {
        if (trace::on()) trace::say({u"hand-over: \"ARM64 Product\" ", settings_.arm64Product, u" is not used: ", sibling.refusal});
        return false;
    }
    const HostMachine host = hostMachine();
    const bool exists = pathExists(sibling.path);
    handOver_ = handOverStep({host.launcher, host.arm64, exists, handOverMarker_.mark});
    if (trace::on()) {
        if (handOver_ == HandOverStep::ToSibling) {
            trace::say({u"hand-over: an ARM64 computer: the ARM64 sibling ", sibling.path,
                        u" runs the launch, before this launcher takes a single-instance slot or searches"});
        } else if (host.launcher != LibraryWidth::X64) {
            trace::say({u"hand-over: this launcher is ", architectureName(host.launcher), u": it does not hand over"});
        } else if (!host.arm64) {
            trace::line(u"hand-over: not an ARM64 computer: this launcher searches itself");
        } else if (!exists) {
            trace::say({u"hand-over: the ARM64 sibling ", sibling.path, u" does not exist: this launcher searches itself"});
        }
    }
    if (handOver_ != HandOverStep::ToSibling) return false;
    arm64Sibling_ = std::move(sibling.path);
    return true;
}

bool Launcher::handsBackToX64() {
    if (handOverMarker_.mark != HandOverMark::FromX64) return false;
    std::u16string module;
    if (!getModulePath(module)) return false;
    const HostMachine host = hostMachine();
    if (handOverStep({host.launcher, host.arm64, false, handOverMarker_.mark, RuntimeSearchState::NothingFound}) !=
        HandOverStep::BackToX64) {
        return false;
    }
    // A mark names a program to start: only the launcher beside this one.
    if (!inLauncherFolder(handOverMarker_.x64Launcher, module)) {
        if (trace::on()) {
            trace::say({u"hand-over: the x64 launcher ", handOverMarker_.x64Launcher,
                        u" is not in this launcher's folder: the launch is not handed back"});
        }
        return false;
    }
    if (trace::on()) trace::line(u"hand-over: no ARM64 runtime: the launch goes back to the x64 launcher");
    handOver_ = HandOverStep::BackToX64;
    return true;
}

int Launcher::runHandOver() {
    const bool back = handOver_ == HandOverStep::BackToX64;
    if (instance_.role() == InstanceRole::Primary && trace::on()) {
        trace::line(u"single instance: the slot is given up: the x64 launcher takes its own");
    }
    instance_.stop();
    std::u16string module;
    getModulePath(module);
    setEnvironmentVariable(kHandOverVariable, back ? std::u16string(kHandedBack) : module);
    const std::u16string& target = back ? handOverMarker_.x64Launcher : arm64Sibling_;
    if (trace::on()) trace::say({back ? u"hand-over: starting the x64 launcher " : u"hand-over: starting the ARM64 sibling ", target});
    return runOtherLauncher(target, back ? u"x64 launcher" : u"ARM64 sibling", settings_.waitForPair);
}

} // namespace launcher
