// Feeds arbitrary text to the parameter-line splitter, the quote removal
// and the memory rules, and checks the properties every result has.

#include "FuzzCheck.h"
#include "vmopts/MemoryOptions.h"
#include "vmopts/VmOptionsBuilder.h"
#include "vmopts/VmParameters.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace launcher;

namespace {

std::u16string withoutQuotes(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c != u'"') out.push_back(c);
    }
    return out;
}

// The tokens lie in the text in order, non-empty, with only spaces around
// and between them.
void checkTokensCoverTheText(std::u16string_view text, const TextList& tokens) {
    size_t at = 0;
    for (const std::u16string& token : tokens) {
        FUZZ_CHECK(!token.empty() && token.front() != u' ');
        size_t start = text.find_first_not_of(u' ', at);
        FUZZ_CHECK(start != std::u16string_view::npos && text.substr(start, token.size()) == token);
        at = start + token.size();
        FUZZ_CHECK(at == text.size() || text[at] == u' ');
    }
    FUZZ_CHECK(text.find_first_not_of(u' ', at) == std::u16string_view::npos);
}

// Quote removal takes quotes only, two at a time.
void checkStripRemovesQuotePairs(const TextList& tokens) {
    for (const std::u16string& token : tokens) {
        std::u16string stripped = token;
        stripQuotes(stripped);
        FUZZ_CHECK(stripped.size() <= token.size() && (token.size() - stripped.size()) % 2 == 0);
        FUZZ_CHECK(withoutQuotes(stripped) == withoutQuotes(token));
    }
}

// Options without quotes survive being quoted, split and stripped.
void checkQuotingRoundTrip(const TextList& tokens) {
    std::u16string line;
    TextList quotable;
    for (const std::u16string& token : tokens) {
        if (token.find(u'"') != std::u16string::npos) continue;
        line += u" \"" + token + u"\"";
        quotable.push_back(token);
    }
    TextList again = splitVmParameters(line);
    for (std::u16string& token : again) stripQuotes(token);
    FUZZ_CHECK(again == quotable);
}

void checkBreaks(std::u16string_view text, size_t start) {
    size_t at = findParameterBreak(text, start);
    FUZZ_CHECK(at <= text.size() && (at == text.size() || (at >= start && text[at] == u' ')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const TextList tokens = splitVmParameters(text);
    checkTokensCoverTheText(text, tokens);
    checkStripRemovesQuotePairs(tokens);
    checkQuotingRoundTrip(tokens);
    checkBreaks(text, size > 0 ? data[0] : 0);

    // The memory rules on whatever the line holds: any numbers, any figures.
    uint64_t figure = size;
    if (size >= sizeof(figure)) std::memcpy(&figure, data, sizeof(figure));
    uint64_t stackSize = 0;
    TextList options = vmParameterOptions(text, {figure, ~figure}, stackSize);
    FUZZ_CHECK(options.size() == tokens.size());
    for (size_t i = 0; i < options.size(); ++i) {
        std::u16string stripped = tokens[i];
        stripQuotes(stripped);
        FUZZ_CHECK(isRelativeMemoryOption(stripped) ? options[i].back() == u'K' : options[i] == stripped);
    }
    return 0;
}
