#include "vmopts/VmParameters.h"

#include <algorithm>

namespace launcher {

namespace {

constexpr size_t npos = std::u16string_view::npos;

// The quote that closes the span opened at open; a quote directly after it
// belongs to the span too, so that "" inside a value survives as one quote.
// npos when the span has no end.
size_t closingQuote(std::u16string_view text, size_t open) {
    size_t close = text.find(u'"', open + 1);
    if (close == npos) return npos;
    if (close + 1 < text.size() && text[close + 1] == u'"') ++close;
    return close;
}

} // namespace

size_t findParameterBreak(std::u16string_view text, size_t start) {
    // One pass from start: a quoted span is stepped over whole, so a long
    // line of many options costs its length, not its length per option.
    size_t at = start;
    while (at < text.size() && text[at] != u' ') {
        if (text[at] != u'"') {
            ++at;
            continue;
        }
        size_t close = closingQuote(text, at);
        // An unclosed quote quotes nothing: the next space ends the option.
        if (close == npos) return std::min(text.find(u' ', at), text.size());
        at = close + 1;
    }
    return std::min(at, text.size());
}

TextList splitVmParameters(std::u16string_view text) {
    TextList tokens;
    size_t start = text.find_first_not_of(u' ');
    while (start != npos) {
        size_t end = findParameterBreak(text, start);
        tokens.emplace_back(text.substr(start, end - start));
        start = text.find_first_not_of(u' ', end);
    }
    return tokens;
}

void stripQuotes(std::u16string& token) {
    size_t open = token.find(u'"');
    while (open != npos) {
        size_t close = closingQuote(token, open);
        if (close == npos) return;
        // The quote at open and the character at close go; what lies
        // between them moves one place to the left.
        token.erase(close, 1);
        token.erase(open, 1);
        open = token.find(u'"', close - 1);
    }
}

} // namespace launcher
