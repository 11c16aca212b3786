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
                               "--runtime-download-latest", "--runtime-api-base", "--codepage", "--app-id",
                               "--runtime-feed", "--runtime-feed-key", "--runtime-feed-interval"};
const char* const kRepeatable[] = {"--file-association", "--timestamp-url"};
const char* const kFlags[] = {"--desktop-shortcut"};

// The runtime feed's commands take only their own options: one of the
// packaging options there would be ignored, not obeyed.
const char* const kFeedKeyValued[] = {"--out"};
const char* const kFeedValued[] = {"--key", "--out", "--platform", "--product-code", "--version",
                                   "--runtime-download", "--runtime-sha256", "--runtime-size",
                                   "--runtime-download-latest", "--runtime-api-base"};

bool among(std::span<const char* const> list, const std::string& option) {
    return std::find(list.begin(), list.end(), option) != list.end();
}

} // namespace

const OptionTable& feedKeyOptionTable() {
    static const OptionTable table{kFeedKeyValued, {}, {}};
    return table;
}

const OptionTable& feedOptionTable() {
    static const OptionTable table{kFeedValued, {}, {}};
    return table;
}

PackOptions::PackOptions(const std::vector<std::string>& arguments)
    : PackOptions(arguments, OptionTable{kValued, kRepeatable, kFlags}) {}

PackOptions::PackOptions(const std::vector<std::string>& arguments, const OptionTable& table) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        bool flag = among(table.flags, option);
        bool repeatable = among(table.repeatable, option);
        if (!flag && !repeatable && !among(table.valued, option)) throw UsageError("unknown option " + option);
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
