#include "vmopts/MemoryOptions.h"

#include <limits>

namespace launcher {

namespace {

constexpr uint64_t kLargest = std::numeric_limits<uint64_t>::max();

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Sizes saturate: a value beyond 64 bits means "as large as can be", never a
// small number that wrapped around.
uint64_t saturatingProduct(uint64_t a, uint64_t b) {
    if (a != 0 && b > kLargest / a) return kLargest;
    return a * b;
}

uint64_t appendDigit(uint64_t number, char16_t digit) {
    uint64_t tens = saturatingProduct(number, 10);
    uint64_t value = static_cast<uint64_t>(digit - u'0');
    return tens > kLargest - value ? kLargest : tens + value;
}

uint64_t numberAt(const std::vector<uint64_t>& numbers, size_t index) {
    return index < numbers.size() ? numbers[index] : 0;
}

// base * percent / 100 in double precision, cut toward zero. A result
// beyond 64 bits cannot be converted and is held at the largest value.
uint64_t shareOf(uint64_t base, uint64_t percent) {
    double size = static_cast<double>(base) * (static_cast<double>(percent) / 100.0);
    // 2^64 is exact in double; every double below it converts.
    if (size >= 18446744073709551616.0) return kLargest;
    return static_cast<uint64_t>(size);
}

std::u16string unsignedDecimal(uint64_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

} // namespace

bool isRelativeMemoryOption(std::u16string_view token) {
    if (token.size() < 5) return false;
    std::u16string_view name = token.substr(0, 4);
    if (name != u"-Xms" && name != u"-Xmx" && name != u"-Xss") return false;
    char16_t unit = token.back();
    return unit == u'P' || unit == u'p' || unit == u'T' || unit == u't';
}

OptionNumbers parseOptionNumbers(std::u16string_view text) {
    OptionNumbers result;
    size_t first = 0;
    while (first < text.size() && !isDigit(text[first]) && text[first] != u':') ++first;
    result.prefixLength = first;
    if (first == text.size()) return result;

    result.numbers.push_back(0);
    for (size_t i = first; i + 1 < text.size(); ++i) {
        char16_t c = text[i];
        if (isDigit(c)) {
            result.numbers.back() = appendDigit(result.numbers.back(), c);
        } else if (c == u':') {
            result.numbers.push_back(0);
        }
    }
    return result;
}

std::u16string rewriteRelativeMemoryOption(std::u16string_view token, const MemoryFigures& memory) {
    OptionNumbers parsed = parseOptionNumbers(token);
    uint64_t percent = numberAt(parsed.numbers, 0);
    uint64_t minimum = saturatingProduct(numberAt(parsed.numbers, 1), 1024);
    uint64_t maximum = saturatingProduct(numberAt(parsed.numbers, 2), 1024);

    bool ofAddressSpace = token.back() == u'T' || token.back() == u't';
    uint64_t base = (ofAddressSpace ? memory.availableVirtual : memory.totalPhysical) / 1024;

    uint64_t size = shareOf(base, percent);
    if (maximum != 0 && size > maximum) size = maximum;
    // The floor comes after the cap, so a minimum above the maximum wins.
    if (size < minimum) size = minimum;

    std::u16string out(token.substr(0, parsed.prefixLength));
    out += unsignedDecimal(size);
    out.push_back(u'K');
    return out;
}

uint64_t stackSizeFrom(std::u16string_view token) {
    std::u16string_view value = token.size() > 4 ? token.substr(4) : std::u16string_view();
    if (value.empty() || !isDigit(value.front()) || value.find(u':') != std::u16string_view::npos) return 0;

    uint64_t number = 0;
    size_t digitsEnd = isDigit(value.back()) ? value.size() : value.size() - 1;
    for (size_t i = 0; i < digitsEnd; ++i) {
        if (isDigit(value[i])) number = appendDigit(number, value[i]);
    }
    uint64_t factor = 1;
    switch (value.back()) {
    case u'G': case u'g': factor = 1073741824; break;
    case u'M': case u'm': factor = 1048576; break;
    case u'K': case u'k': factor = 1024; break;
    default: break;
    }
    return saturatingProduct(number, factor);
}

} // namespace launcher
