#include "Signing.h"

#include "CompoundFile.h"
#include "InstallerBuild.h"
#include "PeImage.h"
#include "Pkcs12File.h"
#include "ToolProcess.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <utility>

namespace launcher::pack {

namespace {

// A folder removed with whatever it holds when the scope ends.
class SigningFolder {
public:
    explicit SigningFolder(fs::path path) : path_(std::move(path)) {
        std::error_code error;
        if (!fs::create_directory(path_, error)) {
            throw PackError(displayPath(path_) + ": cannot be created (" + error.message() + ")");
        }
    }
    ~SigningFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    SigningFolder(const SigningFolder&) = delete;
    SigningFolder& operator=(const SigningFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void moveFile(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::rename(from, to, error);
    if (error) throw PackError(displayPath(to) + ": cannot be written (" + error.message() + ")");
}

ToolRequest signingRequest(const Signer& signer) {
    ToolRequest request;
    request.environment = signer.environment;
    if (!signer.passwordVariable.empty()) request.withheld.push_back(signer.passwordVariable);
    if (!signer.password.empty()) request.secret = signer.password;
    request.timeLimit = signer.timeLimit;
    return request;
}

// Why signing name failed, as the tool tells it, with what to do where the
// tool's own words mislead.
PackError signingFailure(const Signer& signer, const std::string& name, const std::string& tool, const ToolRun& run) {
    std::string text = "signing " + name + ": ";
    if (run.timedOut) {
        text += tool + " did not end within " + std::to_string(signer.timeLimit.count()) +
                " seconds and was stopped (a PKCS#11 module waiting for its token or a time-stamp server that does not answer "
                "can hold it; --sign-timeout SECONDS gives it longer)";
        std::string output = outputLines(run.output);
        return PackError(output.empty() ? text : text + ": " + output);
    }
    if (signer.mode == SignMode::Pkcs12 && failedToDecryptPkcs12(run.output) &&
        usesLegacyEncryption(readWholeFile(signer.pkcs12))) {
        text += displayPath(signer.pkcs12) + " is encrypted the legacy way (RC2, as Windows and older OpenSSL export it), "
                "which osslsigncode here cannot decrypt without OpenSSL's legacy provider, so it asks \"Wrong password?\": "
                "export the file again with AES (see \"A PKCS#12 file\" in the signing manual), or install the legacy "
                "provider (Debian 13 and newer: apt-get install openssl-provider-legacy)\n  ";
    }
    return PackError(text + toolFailure(tool, run));
}

// The command sees the file under its final name, in a folder of its own
// beside it; the file comes back only signed.
void signWithCommand(const Signer& signer, const fs::path& file, const std::string& name) {
    SigningFolder folder(scratchNameFor(file));
    fs::path named = folder.path() / pathFromUtf8(name);
    moveFile(file, named);
    ToolRun run = runTool(signer.tool, withFile(signer.command, displayPath(named)), signingRequest(signer));
    if (run.exitCode != 0 || run.timedOut) throw signingFailure(signer, name, "the signing command", run);
    if (!carriesSignature(named)) {
        throw PackError("signing " + name + ": the signing command ended with exit code 0, but " + name +
                        " carries no signature");
    }
    moveFile(named, file);
}

} // namespace

std::vector<std::string> osslsigncodeArguments(const Signer& signer, const std::string& passwordFile, const fs::path& in,
                                               const fs::path& out) {
    std::vector<std::string> arguments{"sign"};
    if (signer.mode == SignMode::Pkcs11) {
        arguments.insert(arguments.end(), {"-pkcs11engine", displayPath(signer.engine), "-pkcs11module",
                                           displayPath(signer.module), "-key", signer.key, "-certs", displayPath(signer.certs)});
    } else {
        arguments.insert(arguments.end(), {"-pkcs12", displayPath(signer.pkcs12)});
    }
    if (!passwordFile.empty()) arguments.insert(arguments.end(), {"-readpass", passwordFile});
    arguments.insert(arguments.end(), {"-h", "sha256"});
    if (!signer.description.empty()) arguments.insert(arguments.end(), {"-n", signer.description});
    if (!signer.url.empty()) arguments.insert(arguments.end(), {"-i", signer.url});
    for (const std::string& url : signer.timestampUrls) arguments.insert(arguments.end(), {"-ts", url});
    arguments.insert(arguments.end(), {"-in", displayPath(in), "-out", displayPath(out)});
    return arguments;
}

void signFile(const Signer& signer, const fs::path& file, const std::string& name) {
    if (signer.mode == SignMode::Command) return signWithCommand(signer, file, name);
    ScratchFile signedFile(scratchNameFor(file));
    std::string password = signer.password.empty() ? "" : kSecretFileArgument;
    ToolRun run = runTool(signer.tool, osslsigncodeArguments(signer, password, file, signedFile.path()), signingRequest(signer));
    if (run.exitCode != 0 || run.timedOut) throw signingFailure(signer, name, "osslsigncode", run);
    signedFile.moveTo(file);
}

bool carriesSignature(const fs::path& file) {
    std::string bytes = readWholeFile(file);
    Bytes content(bytes.begin(), bytes.end());
    try {
        if (!isCompoundFile(content)) return readPeImage(std::move(content)).hasSignature();
        std::vector<std::u16string> names = compoundFileNames(content);
        return std::find(names.begin(), names.end(), u"\x05" "DigitalSignature") != names.end();
    } catch (const PackError&) {
        return false; // no longer an executable or a package at all
    }
}

std::vector<std::string> splitCommandWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    auto shellOnly = [](char c) {
        return PackError(std::string("\"") + c + "\" needs a shell, and the command runs without one: quote it, or put "
                         "the commands into a script and give that");
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(std::exchange(word, {}));
            inWord = false;
        } else if (c == '\\') {
            if (i + 1 >= text.size()) throw PackError("the text ends in a backslash");
            if (text[++i] != '\n') { // a backslash before a line end joins the lines
                word += text[i];
                inWord = true;
            }
        } else if (c == '\'') {
            size_t end = text.find('\'', i + 1);
            if (end == std::string::npos) throw PackError("a ' has no closing '");
            word.append(text, i + 1, end - i - 1);
            i = end;
            inWord = true;
        } else if (c == '"') {
            // Inside double quotes a backslash escapes only " \ $ ` and the line end.
            for (++i;; ++i) {
                if (i >= text.size()) throw PackError("a \" has no closing \"");
                char d = text[i];
                if (d == '"') break;
                if (d == '$' || d == '`') throw shellOnly(d);
                if (d == '\\' && i + 1 < text.size() && std::strchr("\"\\$`\n", text[i + 1])) {
                    if (text[++i] != '\n') word += text[i];
                } else {
                    word += d;
                }
            }
            inWord = true;
        } else if (std::strchr("|&;<>()$`", c)) {
            throw shellOnly(c);
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

bool runsThroughCmd(const fs::path& program) {
    std::string name = displayPath(program.filename());
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.ends_with(".bat") || name.ends_with(".cmd") || name == "cmd" || name == "cmd.exe";
}

std::vector<std::string> withFile(std::vector<std::string> words, const std::string& path) {
    for (std::string& word : words) {
        for (size_t at = word.find("{}"); at != std::string::npos; at = word.find("{}", at + path.size())) {
            word.replace(at, 2, path);
        }
    }
    return words;
}


std::optional<std::pair<int, int>> osslsigncodeVersion(const std::string& versionOutput) {
    const std::string label = "osslsigncode ";
    if (!versionOutput.starts_with(label)) return std::nullopt;
    int major = 0, minor = 0;
    char dot = 0;
    std::istringstream in(versionOutput.substr(label.size()));
    if (!(in >> major >> dot >> minor) || dot != '.') return std::nullopt;
    return std::pair{major, minor};
}

std::optional<fs::path> enginesFolderOf(const std::string& versionOutput) {
    const std::string label = "ENGINESDIR: \"";
    size_t begin = versionOutput.find(label);
    if (begin == std::string::npos) return std::nullopt;
    begin += label.size();
    size_t end = versionOutput.find('"', begin);
    if (end == std::string::npos || end == begin) return std::nullopt;
    return pathFromUtf8(versionOutput.substr(begin, end - begin));
}

} // namespace launcher::pack
