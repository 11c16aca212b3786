#pragma once
// The command line of launcher-pack: options with a value, repeatable
// options and flags.

#include "Bytes.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace launcher::pack {

// Wrong usage: the command prints the usage text and ends with code 2.
class UsageError : public PackError {
public:
    using PackError::PackError;
};

// The options one command takes: with a value, repeatable, flags.
struct OptionTable {
    std::span<const char* const> valued;
    std::span<const char* const> repeatable;
    std::span<const char* const> flags;
};

// The options of the subcommands "feed-key" and "feed".
const OptionTable& feedKeyOptionTable();
const OptionTable& feedOptionTable();

class PackOptions {
public:
    // Throws UsageError for an unknown option, a missing value or a
    // single-valued option given twice.
    explicit PackOptions(const std::vector<std::string>& arguments);
    // The same for a command with options of its own.
    PackOptions(const std::vector<std::string>& arguments, const OptionTable& table);

    std::optional<std::string> value(const std::string& option) const;
    std::vector<std::string> values(const std::string& option) const;
    bool has(const std::string& option) const { return given_.count(option) != 0; }
    std::vector<std::string> names() const;

private:
    std::map<std::string, std::vector<std::string>> given_;
};

} // namespace launcher::pack
