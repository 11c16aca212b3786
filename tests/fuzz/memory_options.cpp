// Feeds arbitrary heap and stack options and memory figures to the rules
// that turn a share of the machine's memory into a size (-Xmx50P,
// -Xms10:256:1024T) and read a stack size (-Xss2m), and checks the results
// against the same arithmetic done exactly.

#include "FuzzCheck.h"
#include "vmopts/MemoryOptions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace launcher;

namespace {

using Wide = unsigned __int128;
constexpr uint64_t kLargest = UINT64_MAX;

uint64_t held(Wide value) { return value > kLargest ? kLargest : static_cast<uint64_t>(value); }

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The numbers between the first digit or colon and the unit, split at
// colons, other characters skipped, each held at the largest value.
std::vector<uint64_t> expectedNumbers(std::u16string_view text, size_t& prefix) {
    prefix = 0;
    while (prefix < text.size() && !isDigit(text[prefix]) && text[prefix] != u':') ++prefix;
    std::vector<uint64_t> numbers;
    if (prefix == text.size()) return numbers;
    Wide number = 0;
    for (size_t i = prefix; i + 1 < text.size(); ++i) {
        if (text[i] == u':') {
            numbers.push_back(held(number));
            number = 0;
        } else if (isDigit(text[i])) {
            number = std::min<Wide>(number * 10 + (text[i] - u'0'), Wide{kLargest} + 1);
        }
    }
    numbers.push_back(held(number));
    return numbers;
}

uint64_t decimalValue(std::u16string_view digits) {
    FUZZ_CHECK(!digits.empty() && digits.size() <= 20);
    FUZZ_CHECK(digits.size() == 1 || digits.front() != u'0');
    Wide value = 0;
    for (char16_t c : digits) {
        FUZZ_CHECK(isDigit(c));
        value = value * 10 + (c - u'0');
    }
    FUZZ_CHECK(value <= kLargest);
    return static_cast<uint64_t>(value);
}

// The size is the share of the memory in kilobytes (within the rounding of
// a double), held under the maximum and then over the minimum.
void checkRewrite(std::u16string_view token, const MemoryFigures& memory) {
    size_t prefix = 0;
    const std::vector<uint64_t> numbers = expectedNumbers(token, prefix);
    auto at = [&](size_t i) { return i < numbers.size() ? numbers[i] : 0; };
    const uint64_t minimum = held(Wide{at(1)} * 1024);
    const uint64_t maximum = held(Wide{at(2)} * 1024);
    const bool ofAddressSpace = token.back() == u'T' || token.back() == u't';
    const uint64_t base = (ofAddressSpace ? memory.availableVirtual : memory.totalPhysical) / 1024;

    const std::u16string out = rewriteRelativeMemoryOption(token, memory);
    FUZZ_CHECK(out.size() > prefix + 1 && out.compare(0, prefix, token.substr(0, prefix)) == 0 && out.back() == u'K');
    const uint64_t size = decimalValue(std::u16string_view(out).substr(prefix, out.size() - prefix - 1));

    const Wide exact = Wide{base} * at(0) / 100;
    const uint64_t share = held(exact);
    const uint64_t slack = share / (uint64_t{1} << 40) + 1;
    uint64_t low = share > slack ? share - slack : 0;
    uint64_t high = share > kLargest - slack ? kLargest : share + slack;
    if (maximum != 0) {
        low = std::min(low, maximum);
        high = std::min(high, maximum);
    }
    low = std::max(low, minimum);
    high = std::max(high, minimum);
    FUZZ_CHECK(size >= low && size <= high);
}

// A plain size with an optional unit, held at the largest value.
void checkStackSize(std::u16string_view token) {
    const std::u16string_view value = token.size() > 4 ? token.substr(4) : std::u16string_view();
    const uint64_t size = stackSizeFrom(token);
    if (value.empty() || !isDigit(value.front()) || value.find(u':') != value.npos) {
        FUZZ_CHECK(size == 0);
        return;
    }
    Wide number = 0;
    const size_t digitsEnd = isDigit(value.back()) ? value.size() : value.size() - 1;
    for (size_t i = 0; i < digitsEnd; ++i) {
        if (isDigit(value[i])) number = std::min<Wide>(number * 10 + (value[i] - u'0'), kLargest);
    }
    Wide factor = 1;
    switch (value.back()) {
    case u'G': case u'g': factor = Wide{1} << 30; break;
    case u'M': case u'm': factor = Wide{1} << 20; break;
    case u'K': case u'k': factor = Wide{1} << 10; break;
    default: break;
    }
    FUZZ_CHECK(size == held(number * factor));
}

std::u16string decimal(uint64_t value) {
    std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16) return 0;
    MemoryFigures memory;
    std::memcpy(&memory.totalPhysical, data, 8);
    std::memcpy(&memory.availableVirtual, data + 8, 8);
    std::u16string token;
    for (size_t i = 16; i < size; ++i) token.push_back(static_cast<char16_t>(data[i] < 0x80 ? data[i] : 0x100 + data[i]));

    const OptionNumbers parsed = parseOptionNumbers(token);
    size_t prefix = 0;
    FUZZ_CHECK(parsed.numbers == expectedNumbers(token, prefix) && parsed.prefixLength == prefix);
    checkStackSize(token);
    if (isRelativeMemoryOption(token)) checkRewrite(token, memory);

    // The same figures through a well-formed option of every kind.
    const uint64_t percent = memory.totalPhysical % 1000;
    const uint64_t minimum = memory.availableVirtual % 100000;
    const uint64_t maximum = (memory.totalPhysical >> 32) % 100000;
    for (std::u16string_view name : {u"-Xmx", u"-Xms", u"-Xss"}) {
        for (std::u16string_view unit : {u"P", u"t"}) {
            const std::u16string option = std::u16string(name) + decimal(percent) + u":" + decimal(minimum) + u":" +
                                          decimal(maximum) + std::u16string(unit);
            FUZZ_CHECK(isRelativeMemoryOption(option));
            checkRewrite(option, memory);
        }
    }
    return 0;
}
