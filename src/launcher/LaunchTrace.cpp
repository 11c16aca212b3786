#include "launcher/LaunchTrace.h"
#include "base/Trace.h"

namespace launcher {

namespace {
constexpr std::string_view kClassPathOption = "-Djava.class.path=";
} // namespace

void traceStart(std::u16string_view modulePath, std::u16string_view iniPath) {
    if (!trace::on()) return;
    trace::say({u"launcher: ", modulePath});
    trace::say({u"INI file: ", iniPath.empty() ? std::u16string_view(u"(none: the executable's path is unknown)") : iniPath});
}

void traceRole(InstanceRole role) {
    if (!trace::on()) return;
    switch (role) {
    case InstanceRole::Off: trace::line(u"single instance: off (every start runs Java)"); break;
    case InstanceRole::Primary: trace::line(u"single instance: primary (this start runs Java and serves later ones)"); break;
    case InstanceRole::Secondary:
        trace::line(u"single instance: secondary (arguments handed to the running start; waiting for its answer)");
        break;
    }
}

std::u16string splashChoiceText(SplashKind kind, std::u16string_view image, bool suppressed) {
    if (suppressed) return u"splash: none (-nosplash on the command line)";
    if (image.empty()) return u"splash: none (no \"Splash Screen\" configured)";
    std::u16string text;
    switch (kind) {
    case SplashKind::None: text = u"splash: none (neither the runtime's splash library nor the launcher's window is available) for "; break;
    case SplashKind::Native: text = u"splash: the runtime's splash library shows "; break;
    case SplashKind::OwnWindow: text = u"splash: the launcher's window shows "; break;
    }
    text.append(image);
    return text;
}

std::u16string nativeSplashMissingText(const SplashRequest& request, std::u16string_view libraryCandidate) {
    const bool wanted = request.preferNative || !request.ownWindowAvailable;
    if (!request.imageConfigured || !wanted || request.libraryFound) return {};
    std::u16string text = u"splash: the runtime has no splash library (";
    if (libraryCandidate.empty()) return text + u"its folder is unknown)";
    text.append(libraryCandidate);
    return text + u" is missing)";
}

void traceSplash(SplashKind kind, std::u16string_view image, bool suppressed) {
    if (trace::on()) trace::line(splashChoiceText(kind, image, suppressed));
}

void traceVmOptions(const std::vector<std::string>& options) {
    if (!trace::on()) return;
    trace::say({u"VM options: ", toDecimal(static_cast<long long>(options.size())), u" in this order"});
    std::u16string classPath;
    for (size_t i = 0; i < options.size(); ++i) {
        std::u16string option = fromNarrow(options[i]);
        trace::say({u"VM option ", toDecimal(static_cast<long long>(i + 1)), u": ", option});
        if (options[i].rfind(kClassPathOption, 0) == 0) classPath = option.substr(kClassPathOption.size());
    }
    trace::say({u"class path: ", classPath.empty() ? std::u16string_view(u"(none)") : std::u16string_view(classPath)});
}

void traceExit(int code, std::u16string_view cause) {
    if (trace::on()) trace::say({u"exit code ", toDecimal(code), u": ", cause});
}

} // namespace launcher
