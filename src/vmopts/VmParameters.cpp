#include "vmopts/VmParameters.h"

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
    size_t space = text.find(u' ', start);
    size_t quote = text.find(u'"', start);
    while (space != npos && quote != npos && quote < space) {
        size_t close = closingQuote(text, quote);
        if (close == npos) return space;
        space = text.find(u' ', close + 1);
        quote = text.find(u'"', close + 1);
    }
    return space == npos ? text.size() : space;
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
