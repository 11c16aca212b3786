#include "SignerOptions.h"

#include "InstallerBuild.h"
#include "Pkcs11Uri.h"
#include "ToolProcess.h"

#include <cstdlib>

namespace launcher::pack {

namespace {

const char* const kSignModes[] = {"--sign-pkcs12", "--sign-pkcs11-module", "--sign-command"};

// The one signing mode given, or nullptr.
const char* signMode(const PackOptions& options) {
    const char* mode = nullptr;
    for (const char* option : kSignModes) {
        if (!options.has(option)) continue;
        if (mode) throw UsageError(std::string(mode) + " and " + option + " do not go together: choose one way to sign");
        mode = option;
    }
    return mode;
}

void checkPartners(const PackOptions& options, const char* mode) {
    std::string given = mode ? mode : "";
    for (const char* option : {"--sign-key", "--sign-cert", "--sign-pkcs11-engine"}) {
        if (options.has(option) && given != "--sign-pkcs11-module") {
            throw UsageError(std::string(option) + " goes with --sign-pkcs11-module");
        }
    }
    if (options.has("--sign-timeout") && !mode) {
        throw UsageError("--sign-timeout goes with --sign-pkcs12, --sign-pkcs11-module or --sign-command");
    }
    for (const char* option : {"--sign-password-env", "--timestamp-url"}) {
        if (!options.has(option)) continue;
        if (!mode) throw UsageError(std::string(option) + " goes with --sign-pkcs12 or --sign-pkcs11-module");
        if (given == "--sign-command") {
            throw UsageError(std::string(option) + " does not go with --sign-command: give it to the signing command itself");
        }
    }
    if (given == "--sign-pkcs11-module") {
        for (const char* option : {"--sign-key", "--sign-cert"}) {
            if (!options.has(option)) {
                throw UsageError(std::string("--sign-pkcs11-module needs --sign-key URI (the key in the token) and "
                                             "--sign-cert FILE (its certificate chain); ") + option + " is missing");
            }
        }
    }
}

fs::path existingFile(const std::string& option, const std::string& value) {
    fs::path file = pathFromUtf8(value);
    std::error_code error;
    if (!fs::is_regular_file(file, error)) throw PackError(option + ": " + value + ": cannot be read");
    return file;
}

// The program of a signing command: a path as given, or found on PATH.
fs::path commandProgram(const std::string& word) {
    fs::path program = pathFromUtf8(word);
    if (program.has_parent_path()) return existingFile("--sign-command", word);
    if (auto found = findTool(word)) return *found;
    throw PackError("--sign-command: " + word + " is not on PATH");
}

void commandSigner(const PackOptions& options, Signer& signer) {
    std::string text = *options.value("--sign-command");
    std::vector<std::string> words;
    try {
        words = splitCommandWords(text);
    } catch (const PackError& e) {
        throw UsageError("--sign-command: \"" + text + "\": " + e.what());
    }
    if (words.empty()) throw UsageError("--sign-command: the command is empty");
    bool placeholder = false;
    for (size_t i = 1; i < words.size(); ++i) placeholder = placeholder || words[i].find("{}") != std::string::npos;
    if (!placeholder) {
        throw UsageError("--sign-command: \"" + text + "\" has no {} where the path of the file to sign goes");
    }
    signer.mode = SignMode::Command;
    signer.command.assign(words.begin() + 1, words.end());
    signer.tool = commandProgram(words[0]);
    checkCommandProgram(signer.tool);
}

// Whole seconds, a day at most.
std::chrono::seconds timeLimit(const std::string& text) {
    bool digits = !text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos;
    long seconds = digits ? std::stol(text) : 0;
    if (seconds < 1 || seconds > 86400) {
        throw UsageError("--sign-timeout: \"" + text + "\" is no number of seconds from 1 to 86400");
    }
    return std::chrono::seconds(seconds);
}

void pkcs11Signer(const PackOptions& options, Signer& signer) {
    signer.mode = SignMode::Pkcs11;
    signer.key = *options.value("--sign-key");
    try {
        checkPkcs11Uri(signer.key);
    } catch (const PackError& e) {
        throw UsageError(std::string("--sign-key: ") + e.what());
    }
    signer.module = existingFile("--sign-pkcs11-module", *options.value("--sign-pkcs11-module"));
    signer.certs = existingFile("--sign-cert", *options.value("--sign-cert"));
    signer.tool = requireTool("osslsigncode", "osslsigncode");
    if (auto engine = options.value("--sign-pkcs11-engine")) {
        signer.engine = existingFile("--sign-pkcs11-engine", *engine);
    } else if (auto found = findPkcs11Engine(signer.tool)) {
        signer.engine = *found;
    } else {
        throw PackError("--sign-pkcs11-module: osslsigncode's PKCS#11 engine is not installed (Debian and Ubuntu: apt-get "
                        "install libengine-pkcs11-openssl; Windows: pkcs11.dll beside osslsigncode.exe); or give it with "
                        "--sign-pkcs11-engine FILE");
    }
    adaptEngineToTool(signer);
}

} // namespace

std::optional<Signer> signerRequest(const PackOptions& options, const std::string& productName, std::ostream& warnings) {
    const char* mode = signMode(options);
    checkPartners(options, mode);
    if (!mode) return std::nullopt;
    Signer signer;
    if (auto limit = options.value("--sign-timeout")) signer.timeLimit = timeLimit(*limit);
    if (std::string(mode) == "--sign-command") {
        commandSigner(options, signer);
        return signer;
    }
    for (const std::string& url : options.values("--timestamp-url")) {
        if (!url.starts_with("http://") && !url.starts_with("https://")) {
            throw UsageError("--timestamp-url: \"" + url + "\" is no http:// or https:// address");
        }
        signer.timestampUrls.push_back(url);
    }
    if (auto variable = options.value("--sign-password-env")) {
        const char* password = std::getenv(variable->c_str());
        if (!password) throw UsageError("--sign-password-env: the environment variable " + *variable + " is not set");
        signer.password = password;
        signer.passwordVariable = *variable;
    }
    signer.description = productName;
    signer.url = options.value("--about-url").value_or("");
    if (std::string(mode) == "--sign-pkcs11-module") {
        pkcs11Signer(options, signer);
    } else {
        signer.pkcs12 = pathFromUtf8(*options.value("--sign-pkcs12"));
        readWholeFile(signer.pkcs12); // names the file when it cannot be read
        signer.tool = requireTool("osslsigncode", "osslsigncode");
    }
    if (signer.timestampUrls.empty()) {
        warnings << "launcher-pack: warning: signing without --timestamp-url: the signature stops being valid when the "
                    "certificate expires; a time stamp keeps it valid after that\n";
    }
    return signer;
}

} // namespace launcher::pack
