#pragma once
// The subcommands that publish a runtime feed: "feed-key" makes the key
// pair, "feed" writes and signs the feed for one platform.

#include <iosfwd>
#include <string>
#include <vector>

namespace launcher::pack {

// Whether the arguments start with one of the subcommands' names.
bool isFeedSubcommand(const std::vector<std::string>& arguments);

// Runs the subcommand the arguments start with. Returns 0 on success, 1
// when it failed (one line on err; the output folder and key files are as
// they were), 2 for wrong usage.
int runFeedSubcommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace launcher::pack
