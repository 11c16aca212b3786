#include "PackOptions.h"

#include <algorithm>

namespace launcher::pack {

namespace {

const char* const kValued[] = {"--launcher", "--name",   "--dest",  "--ini",   "--icon",         "--app-version",
                               "--vendor",   "--description", "--copyright", "--embed", "--upgrade-code",
                               "--input",    "--runtime", "--show",
                               "--msi",      "--wxs",     "--install-scope", "--msi-upgrade-code", "--help-url",
                               "--about-url", "--sign-pkcs12", "--sign-password-env", "--sign-pkcs11-module",
                               "--sign-key", "--sign-cert", "--sign-pkcs11-engine", "--sign-command", "--sign-timeout",
                               "--runtime-download", "--runtime-sha256", "--runtime-size", "--arm64-launcher",
                               "--runtime-download-latest", "--runtime-api-base", "--codepage", "--app-id"};
const char* const kRepeatable[] = {"--file-association", "--timestamp-url"};
const char* const kFlags[] = {"--desktop-shortcut"};

template <size_t N>
bool among(const char* const (&list)[N], const std::string& option) {
    return std::find(std::begin(list), std::end(list), option) != std::end(list);
}

} // namespace

PackOptions::PackOptions(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        bool flag = among(kFlags, option);
        bool repeatable = among(kRepeatable, option);
        if (!flag && !repeatable && !among(kValued, option)) throw UsageError("unknown option " + option);
        if (given_.count(option) && !repeatable) throw UsageError(option + " is given twice");
        if (flag) {
            given_[option];
            continue;
        }
        if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
        given_[option].push_back(arguments[++i]);
    }
}

std::optional<std::string> PackOptions::value(const std::string& option) const {
    auto found = given_.find(option);
    if (found == given_.end() || found->second.empty()) return std::nullopt;
    return found->second.front();
}

std::vector<std::string> PackOptions::values(const std::string& option) const {
    auto found = given_.find(option);
    return found == given_.end() ? std::vector<std::string>{} : found->second;
}

std::vector<std::string> PackOptions::names() const {
    std::vector<std::string> result;
    for (const auto& [name, _] : given_) result.push_back(name);
    return result;
}

} // namespace launcher::pack
