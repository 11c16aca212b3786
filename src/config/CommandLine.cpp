#include "config/CommandLine.h"

namespace launcher {

namespace {

constexpr char16_t kSpace = u' ';
constexpr char16_t kQuote = u'"';

// Only the space character separates arguments; tabs and other white space
// belong to the token they are in.
size_t skipSpaces(std::u16string_view text, size_t p) {
    while (p < text.size() && text[p] == kSpace) ++p;
    return p;
}

} // namespace

// A token that begins with a double quote runs to the next double quote,
// with no escape character: Windows paths are full of backslashes, and a
// quote cannot appear inside a quoted token. A quote elsewhere in a token is
// an ordinary character.
TextList splitCommandLine(std::u16string_view text) {
    TextList tokens;
    size_t p = 0;
    while (p < text.size()) {
        size_t end;
        if (text[p] == kQuote) {
            ++p;
            if (p == text.size()) {
                tokens.emplace_back();
                break;
            }
            size_t close = text.find(kQuote, p);
            if (close == std::u16string_view::npos) {
                // An unclosed quote takes the rest of the line, spaces included.
                tokens.emplace_back(text.substr(p));
                break;
            }
            tokens.emplace_back(text.substr(p, close - p));
            end = close + 1;
        } else {
            size_t space = text.find(kSpace, p);
            if (space == std::u16string_view::npos) {
                tokens.emplace_back(text.substr(p));
                break;
            }
            tokens.emplace_back(text.substr(p, space - p));
            end = space;
        }
        p = skipSpaces(text, end);
    }
    return tokens;
}

TextList argumentsFromCommandLine(std::u16string_view commandLine) {
    TextList tokens = splitCommandLine(trimWhitespace(commandLine));
    // The first token is the program as it was typed.
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}

bool hasNoSplashSwitch(const TextList& arguments) {
    for (const std::u16string& argument : arguments) {
        if (argument == u"-nosplash" || argument == u"/nosplash") return true;
    }
    return false;
}

} // namespace launcher
