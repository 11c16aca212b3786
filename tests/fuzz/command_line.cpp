// Feeds arbitrary text to the command-line tokeniser and checks the
// properties every tokenisation has.

#include "FuzzCheck.h"
#include "config/CommandLine.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace launcher;

namespace {

// Every token is a piece of the text, and together they are no longer than it.
void checkTokensComeFromTheText(std::u16string_view text, const TextList& tokens) {
    size_t total = 0;
    for (const std::u16string& token : tokens) {
        FUZZ_CHECK(text.find(token) != std::u16string_view::npos);
        total += token.size();
    }
    FUZZ_CHECK(total <= text.size());
}

// Without quotes, tokens are exactly the text between runs of spaces.
void checkUnquotedSplit(std::u16string_view text, const TextList& tokens) {
    if (text.find(u'"') != std::u16string_view::npos) return;
    std::u16string joined;
    for (size_t i = 0; i < tokens.size(); ++i) {
        FUZZ_CHECK(tokens[i].find(u' ') == std::u16string::npos);
        FUZZ_CHECK(i == 0 || !tokens[i].empty());
        if (i > 0) joined.push_back(u' ');
        joined += tokens[i];
    }
    std::u16string collapsed;
    for (char16_t c : text) {
        if (c != u' ' || collapsed.empty() || collapsed.back() != u' ') collapsed.push_back(c);
    }
    while (!collapsed.empty() && collapsed.back() == u' ') collapsed.pop_back();
    // A text of spaces only is one empty token, which joins to nothing.
    FUZZ_CHECK(joined == collapsed);
}

// Tokens without a double quote survive being quoted and split again.
void checkQuotingRoundTrip(const TextList& tokens) {
    std::u16string line;
    TextList quotable;
    for (const std::u16string& token : tokens) {
        if (token.find(u'"') != std::u16string::npos) continue;
        if (!line.empty()) line.push_back(u' ');
        line += u"\"" + token + u"\"";
        quotable.push_back(token);
    }
    FUZZ_CHECK(splitCommandLine(line) == quotable);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const TextList tokens = splitCommandLine(text);
    FUZZ_CHECK(text.empty() == tokens.empty());
    checkTokensComeFromTheText(text, tokens);
    checkUnquotedSplit(text, tokens);
    checkQuotingRoundTrip(tokens);

    TextList arguments = argumentsFromCommandLine(text);
    TextList expected = splitCommandLine(trimWhitespace(text));
    if (!expected.empty()) expected.erase(expected.begin());
    FUZZ_CHECK(arguments == expected);
    FUZZ_CHECK(hasNoSplashSwitch(arguments) ==
               (std::find(arguments.begin(), arguments.end(), u"-nosplash") != arguments.end() ||
                std::find(arguments.begin(), arguments.end(), u"/nosplash") != arguments.end()));
    return 0;
}
