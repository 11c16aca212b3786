#pragma once
// Signing the executable and the package (SHA-256 Authenticode): through
// osslsigncode with a PKCS#12 file or with a key that stays in a PKCS#11
// token (a hardware key, an HSM), or through a command of the vendor's own
// (a signing service's tool, signtool) run once per file.

#include "FileIo.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace launcher::pack {

enum class SignMode { Pkcs12, Pkcs11, Command };

// How long one signing tool may take for one file: a PKCS#11 module waiting
// for its token, or a time-stamp server that does not answer, would
// otherwise hold packaging for ever.
inline constexpr std::chrono::seconds kDefaultSignTimeLimit{300};

struct Signer {
    SignMode mode = SignMode::Pkcs12;
    fs::path tool; // osslsigncode, or the command's program
    fs::path pkcs12;
    fs::path engine, module, certs; // PKCS#11: the OpenSSL engine, the token's library, the certificate chain
    std::string key;                // PKCS#11 URI of the private key
    std::string password;           // of the PKCS#12 file, or the token's PIN
    std::string passwordVariable;   // where it came from; the tool does not see it
    std::vector<std::string> timestampUrls;
    std::string description, url;   // shown by Windows for the signed file
    std::vector<std::string> command; // the command's arguments, with "{}" where the file goes
    std::vector<std::pair<std::string, std::string>> environment; // set for the signing tool
    std::chrono::seconds timeLimit = kDefaultSignTimeLimit;
};

// osslsigncode's arguments that sign in into out; passwordFile empty when
// there is no password (osslsigncode refuses an empty one from a file).
// signFile gives kSecretFileArgument.
std::vector<std::string> osslsigncodeArguments(const Signer& signer, const std::string& passwordFile, const fs::path& in,
                                               const fs::path& out);

// Signs file in place. name is the file's final name, which a signing
// command sees (tools that tell the kind of file by its extension). Throws
// PackError with the tool's own message, or when a command ended well but
// left the file unsigned.
void signFile(const Signer& signer, const fs::path& file, const std::string& name);

// Whether an executable (its security directory) or a Windows Installer
// package (its signature stream) carries an Authenticode signature.
bool carriesSignature(const fs::path& file);

// The words of a command line as a POSIX shell splits them: blanks between
// words, single quotes, double quotes and backslashes. Throws PackError for
// an unbalanced quotation mark and for what only a shell would do (pipes,
// redirections, command lists, variables, command substitution).
std::vector<std::string> splitCommandWords(const std::string& text);

// Whether Windows would run the program through cmd.exe: a batch file
// (".bat", ".cmd", also with the dots and blanks that Windows drops from
// a name's end) or cmd.exe itself.
bool runsThroughCmd(const fs::path& program);

// Throws UsageError for a signing command's program that this platform
// cannot run with its arguments unchanged: on Windows one that runs
// through cmd.exe, which reads "&", "|" and "%" in them once more.
void checkCommandProgram(const fs::path& program);

// The words with every "{}" replaced by path (also inside a word).
std::vector<std::string> withFile(std::vector<std::string> words, const std::string& path);

// The engine folder in the output of "openssl version -e".
std::optional<fs::path> enginesFolderOf(const std::string& versionOutput);

// The OpenSSL PKCS#11 engine that goes with osslsigncode on this host, or
// nullopt when none is installed.
std::optional<fs::path> findPkcs11Engine(const fs::path& osslsigncode);

// Major and minor version in the output of "osslsigncode --version".
std::optional<std::pair<int, int>> osslsigncodeVersion(const std::string& versionOutput);

// Makes the signer's engine loadable by the osslsigncode it names: before
// 2.9, osslsigncode gives OpenSSL the engine's whole path as its name, which
// the engine refuses ("bad engine id"); those versions get the engine by its
// bare name, with its folder on the library path.
void adaptEngineToTool(Signer& signer);

} // namespace launcher::pack
