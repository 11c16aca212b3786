#include "PackCommand.h"

#include "AppIdentity.h"
#include "Arm64Sibling.h"
#include "Branding.h"
#include "EmbeddedConfig.h"
#include "ExecutableFiles.h"
#include "FeedCommand.h"
#include "FileIo.h"
#include "IconFile.h"
#include "IniEdit.h"
#include "LatestRuntime.h"
#include "PeImage.h"
#include "RuntimeFeedOption.h"
#include "RuntimePin.h"
#include "InstallTarget.h"
#include "InstallerCommand.h"
#include "CompoundFile.h"
#include "ShowReport.h"
#include "SignerOptions.h"
#include "ToolProcess.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <ostream>

namespace launcher::pack {

namespace {

const char kUsage[] =
    "usage: launcher-pack --launcher FILE --name NAME --dest DIR [--arm64-launcher FILE]\n"
    "                     [--ini FILE] [--icon FILE.ico] [--app-version A.B.C.D]\n"
    "                     [--vendor TEXT] [--description TEXT] [--copyright TEXT]\n"
    "                     [--embed FILE.ini --upgrade-code TEXT]\n"
    "                     [--input DIR] [--runtime DIR]\n"
    "                     [--runtime-download URL --runtime-sha256 HEX [--runtime-size BYTES] |\n"
    "                      --runtime-download-latest FEATURE [--runtime-api-base URL]]\n"
    "                     [--runtime-feed URL --runtime-feed-key NAME.pub.pem [--runtime-feed-interval HOURS]]\n"
    "                     [--msi FILE.msi] [--wxs FILE.wxs] [--msi-upgrade-code GUID]\n"
    "                     [--install-scope machine|user] [--desktop-shortcut] [--codepage N]\n"
    "                     [--file-association EXT[:DESCRIPTION]]... [--help-url URL] [--about-url URL]\n"
    "                     [--sign-pkcs12 FILE | --sign-pkcs11-module LIB --sign-key pkcs11:URI --sign-cert FILE\n"
    "                      [--sign-pkcs11-engine FILE]] [--sign-password-env VAR] [--timestamp-url URL]...\n"
    "                     [--sign-command 'COMMAND ARG... {}'] [--app-id ID]\n"
    "                     [--sign-timeout SECONDS]\n"
    "       launcher-pack --show FILE.exe|FILE.msi|FOLDER [--upgrade-code TEXT]\n"
    "       launcher-pack feed-key --out NAME\n"
    "       launcher-pack feed --key NAME.pem --out DIR --platform P ... (launcher-pack feed --help)\n";

std::optional<std::string> value(const PackOptions& options, const std::string& option) { return options.value(option); }

// The executable's name as given, without ".exe"; it must be a plain file
// name that Windows accepts.
std::string checkedName(std::string name) {
    if (name.size() > 4 && (name.ends_with(".exe") || name.ends_with(".EXE"))) name.resize(name.size() - 4);
    if (!isWindowsFileName(name)) throw PackError("--name: " + name + " is not a valid file name");
    return name;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
    std::error_code error;
    fs::path a = fs::weakly_canonical(inner, error);
    fs::path b = fs::weakly_canonical(outer, error);
    auto [end, _] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return end == b.end();
}

std::string minimalIni(const std::string& name) {
    return "[Product Information]\r\nProduct Name=" + name + "\r\n";
}

void package(const PackOptions& options, std::ostream& out, std::ostream& err) {
    for (const char* required : {"--launcher", "--name", "--dest"}) {
        if (!value(options, required)) throw UsageError(std::string(required) + " is required");
    }
    if (value(options, "--embed").has_value() != value(options, "--upgrade-code").has_value()) {
        throw UsageError("--embed and --upgrade-code go together");
    }
    std::optional<LatestRuntimeRequest> latest = latestRuntimeRequest(options);
    std::optional<RuntimePin> pin = runtimePinRequest(options);
    std::optional<RuntimeFeedRequest> feed = runtimeFeedRequest(options, pin || latest);
    Branding branding;
    branding.name = checkedName(*value(options, "--name"));
    if (auto version = value(options, "--app-version")) {
        try {
            branding.version = parseVersionNumber(*version);
        } catch (const PackError& e) {
            throw PackError(std::string("--app-version: ") + e.what());
        }
    }
    for (const char* text : {"--name", "--vendor", "--description", "--copyright"}) {
        std::string given = value(options, text).value_or("");
        if (toUtf8(fromUtf8(given)) != given) throw PackError(std::string(text) + ": not UTF-8 text");
    }
    branding.vendor = value(options, "--vendor").value_or("");
    branding.description = value(options, "--description").value_or("");
    branding.copyright = value(options, "--copyright").value_or("");
    if (auto code = value(options, "--upgrade-code")) {
        try {
            checkUpgradeCode(*code);
        } catch (const PackError& e) {
            throw PackError(std::string("--upgrade-code: ") + e.what());
        }
        branding.upgradeCode = *code;
    }
    std::optional<InstallerRequest> installer = installerRequest(options, branding, err);
    std::optional<Signer> signer = signerRequest(options, branding.name, err);
    if (installer) installer->signer = signer;
    std::optional<std::string> appId = appIdRequest(options, branding, installer ? &installer->package : nullptr);
    if (installer && appId) installer->package.appId = *appId;
    auto readOptional = [&](const char* option) -> std::optional<std::string> {
        auto file = value(options, option);
        return file ? std::optional(readWholeFile(pathFromUtf8(*file))) : std::nullopt;
    };
    std::string launcher = readWholeFile(pathFromUtf8(*value(options, "--launcher")));
    if (auto icon = readOptional("--icon")) branding.icon = Bytes(icon->begin(), icon->end());
    branding.embeddedIni = readOptional("--embed");
    std::optional<std::string> sibling = readOptional("--arm64-launcher");
    if (sibling) checkSiblingMachines(Bytes(launcher.begin(), launcher.end()), Bytes(sibling->begin(), sibling->end()));
    if (installer) installer->package.platform = installerPlatformOf(Bytes(launcher.begin(), launcher.end()));
    std::string ini = readOptional("--ini").value_or(minimalIni(branding.name));
    if (!branding.upgradeCode.empty() || sibling || appId) {
        // Lines added to UTF-16 text as bytes would break it.
        if (ini.starts_with("\xFF\xFE") || ini.starts_with("\xFE\xFF")) {
            throw PackError("--ini: a UTF-16 file cannot take the upgrade code, the ARM64 sibling or the App User Model ID; "
                            "save it as UTF-8");
        }
        if (!branding.upgradeCode.empty()) ini = setIniValue(ini, "Product Information", "Upgrade Code", branding.upgradeCode);
        if (appId) ini = setIniValue(ini, "Application", "App User Model ID", *appId);
    }
    // The API is asked for the launcher's own architecture, once everything
    // that needs no network has been checked.
    if (latest) pin = fetchLatestRuntimePin(*latest, readPeImage(Bytes(launcher.begin(), launcher.end())).machine, err);
    // The feed's keys first, so that the pin's, set after them, read first.
    if (feed) ini = withRuntimeFeed(ini, *feed);
    if (pin) ini = withRuntimePin(ini, *pin);
    Branding siblingBranding = branding;
    siblingBranding.fileName = arm64SiblingName(branding.name);
    siblingBranding.inputOption = "--arm64-launcher";
    // The sibling reads the same settings, except that only the x64 launcher
    // names it and only the x64 launcher installs the pinned (x64) runtime;
    // the sibling names the x64 launcher it hands a launch back to.
    const std::string siblingIni = withX64Product(withoutRuntimePin(ini), branding.name);
    if (branding.embeddedIni) {
        siblingBranding.embeddedIni = withX64Product(withoutRuntimePin(*branding.embeddedIni), branding.name);
    }
    if (sibling) ini = withArm64Product(ini, siblingBranding.fileName);

    fs::path dest = pathFromUtf8(*value(options, "--dest"));
    for (const char* folder : {"--input", "--runtime"}) {
        if (auto source = value(options, folder); source && isInside(dest, pathFromUtf8(*source))) {
            throw PackError(std::string("--dest: ") + displayPath(dest) + " lies inside " + folder);
        }
    }
    Bytes exe = brandExecutable(Bytes(launcher.begin(), launcher.end()), branding);
    Bytes siblingExe = sibling ? brandExecutable(Bytes(sibling->begin(), sibling->end()), siblingBranding) : Bytes();

    StagedFolder staged(dest);
    if (auto input = value(options, "--input")) {
        staged.copyFolder(pathFromUtf8(*input), "");
        // While the folder holds the application's files alone.
        if (signer) out << inputSigningNote(signUnsignedExecutables(*signer, staged.path()));
    }
    if (auto runtime = value(options, "--runtime")) {
        staged.copyFolder(pathFromUtf8(*runtime), "jre64");
        if (signer) out << runtimeSigningNote(executablesBelow(staged.path() / "jre64"));
    }
    staged.writeFile(pathFromUtf8(branding.name + ".ini"), ini);
    staged.writeFile(pathFromUtf8(branding.name + ".exe"),
                     std::string_view(reinterpret_cast<const char*>(exe.data()), exe.size()));
    if (sibling) {
        const std::string name = siblingBranding.fileName;
        staged.writeFile(pathFromUtf8(name + ".ini"), siblingIni);
        staged.writeFile(pathFromUtf8(name + ".exe"),
                         std::string_view(reinterpret_cast<const char*>(siblingExe.data()), siblingExe.size()));
        if (signer) signFile(*signer, staged.path() / pathFromUtf8(name + ".exe"), name + ".exe");
    }
    // Signed before it goes anywhere: into the folder and into the package.
    if (signer) signFile(*signer, staged.path() / pathFromUtf8(branding.name + ".exe"), branding.name + ".exe");
    staged.writeFile(pathFromUtf8(std::string(kRecordFolder) + "/" + branding.name + ".files"),
                     recordText(filesBelow(staged.path())));
    PreparedInstaller prepared;
    if (installer) prepared = buildInstaller(*installer, staged.path(), dest);
    staged.commit();
    if (installer) finishInstaller(*installer, std::move(prepared));
}

// Who signed the file and when, as osslsigncode reads the signature.
std::string signatureDetails(const fs::path& file) {
    auto osslsigncode = findTool("osslsigncode");
    if (!osslsigncode) return "  details: need osslsigncode on PATH\n";
    ToolRequest request;
    request.timeLimit = kDefaultSignTimeLimit;
    return signatureLines(runTool(*osslsigncode, {"verify", "-in", displayPath(file)}, request).output);
}

void show(const PackOptions& options, std::ostream& out) {
    for (const std::string& option : options.names()) {
        if (option != "--show" && option != "--upgrade-code") throw UsageError(option + " does not go with --show");
    }
    fs::path file = pathFromUtf8(*value(options, "--show"));
    std::error_code error;
    if (fs::is_directory(file, error)) {
        if (options.has("--upgrade-code")) throw UsageError("--upgrade-code does not go with --show on a folder");
        out << describeFolder(file);
        return;
    }
    std::string bytes = readWholeFile(file);
    try {
        Bytes content(bytes.begin(), bytes.end());
        std::string report = isCompoundFile(content) ? describeInstallerPackage(content)
                                                     : describeExecutable(content, value(options, "--upgrade-code"));
        if (report.find("signature: present\n") != std::string::npos) report = withSignatureDetails(report, signatureDetails(file));
        out << report;
    } catch (const PackError& e) {
        throw PackError(displayPath(file) + ": " + e.what());
    }
}

} // namespace

int runLauncherPack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (isFeedSubcommand(arguments)) return runFeedSubcommand(arguments, out, err);
    try {
        PackOptions options(arguments);
        if (options.has("--show")) show(options, out);
        else package(options, out, err);
        return 0;
    } catch (const UsageError& e) {
        err << "launcher-pack: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        err << "launcher-pack: " << e.what() << "\n";
        return 1;
    }
}

} // namespace launcher::pack
