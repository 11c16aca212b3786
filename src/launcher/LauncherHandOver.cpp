#include "base/Environment.h"
#include "base/Platform.h"
#include "base/VariableTable.h"
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
    const VariableReading marker = readVariable(kHandOverVariable);
    // Neither the application nor any launch it makes inherits the mark; the
    // Linux launcher hands over to nobody and leaves the variable alone.
    if (kWindows && marker.present) unsetEnvironmentVariable(kHandOverVariable);
    handOverMark_ = readHandOverMark(marker.value);
    if (trace::on()) {
        if (handOverMark_ == HandOverMark::FromX64) {
            trace::line(u"hand-over: started by the x64 launcher; without a runtime for this launcher the launch goes "
                        u"back to the one \"X64 Product\" names");
        } else if (handOverMark_ == HandOverMark::Returned) {
            trace::line(u"hand-over: handed back by the ARM64 sibling, which found no ARM64 runtime: this "
                        u"launcher searches itself and hands over no more");
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
    handOver_ = handOverStep({host.launcher, host.arm64, exists, handOverMark_});
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
    if (handOverMark_ != HandOverMark::FromX64) return false;
    std::u16string module;
    if (!getModulePath(module)) return false;
    const HostMachine host = hostMachine();
    // The x64 launcher to hand back to is the one the settings name beside
    // this launcher: a mark in the environment names nothing.
    SiblingPath x64 = x64LauncherBeside(settings_.x64Product, module);
    const bool exists = !x64.path.empty() && pathExists(x64.path);
    const HandOverStep step =
        handOverStep({host.launcher, host.arm64, false, handOverMark_, RuntimeSearchState::NothingFound, exists});
    if (step != HandOverStep::BackToX64) {
        if (trace::on() && host.launcher == LibraryWidth::Arm64) {
            if (settings_.x64Product.empty()) {
                trace::line(u"hand-over: no \"X64 Product\" is configured: the launch is not handed back");
            } else if (!x64.refusal.empty()) {
                trace::say({u"hand-over: \"X64 Product\" ", settings_.x64Product, u" is not used: ", x64.refusal});
            } else if (!exists) {
                trace::say({u"hand-over: the x64 launcher ", x64.path, u" does not exist: the launch is not handed back"});
            }
        }
        return false;
    }
    if (trace::on()) trace::line(u"hand-over: no ARM64 runtime: the launch goes back to the x64 launcher");
    x64Launcher_ = std::move(x64.path);
    handOver_ = HandOverStep::BackToX64;
    return true;
}

int Launcher::runHandOver() {
    const bool back = handOver_ == HandOverStep::BackToX64;
    if (instance_.role() == InstanceRole::Primary && trace::on()) {
        trace::line(u"single instance: the slot is given up: the x64 launcher takes its own");
    }
    instance_.stop();
    setEnvironmentVariable(kHandOverVariable, back ? kHandedBack : kFromX64);
    const std::u16string& target = back ? x64Launcher_ : arm64Sibling_;
    if (trace::on()) trace::say({back ? u"hand-over: starting the x64 launcher " : u"hand-over: starting the ARM64 sibling ", target});
    return runOtherLauncher(target, back ? u"x64 launcher" : u"ARM64 sibling", settings_.waitForPair);
}

} // namespace launcher
