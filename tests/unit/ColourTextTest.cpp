// The browser's link colours as the registry keeps them.

#include "ui/ColourText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace launcher {
namespace {

TEST(ColourText, ParsesThreeFieldsRedFirst) {
    struct Case {
        const char16_t* text;
        std::optional<Colour> colour;
    } cases[] = {
        {u"0,0,255", rgb(0, 0, 255)},
        {u"128,0,128", rgb(128, 0, 128)},
        {u"1,2,3", rgb(1, 2, 3)},
        // Blanks before a number and anything after its digits are allowed.
        {u" 10,\t20, 30", rgb(10, 20, 30)},
        {u"10 ,20x,30;", rgb(10, 20, 30)},
        {u"+5,+6,+7", rgb(5, 6, 7)},
        // Only the low 8 bits count.
        {u"256,0,0", rgb(0, 0, 0)},
        {u"257,511,-2", rgb(1, 255, 254)},
        // The third field is the whole rest.
        {u"1,2,3,4", rgb(1, 2, 3)},
        // Out of range numbers stop at the limits of a 32-bit long.
        {u"99999999999,0,0", rgb(255, 0, 0)},
        {u"-99999999999,0,0", rgb(0, 0, 0)},
        // Malformed texts.
        {u"", std::nullopt},
        {u"255", std::nullopt},
        {u"255,0", std::nullopt},
        {u"255,0,", std::nullopt},
        {u",0,0", std::nullopt},
        {u"0,,0", std::nullopt},
        {u"-1,0,0", std::nullopt},
        {u"0,-1,0", std::nullopt},
        {u"0,0,-1", std::nullopt},
        {u"red,green,blue", std::nullopt},
        {u"0,0, ", std::nullopt},
        {u"-,0,0", std::nullopt},
    };
    for (const Case& c : cases) {
        std::optional<Colour> colour = parseColourText(c.text);
        EXPECT_EQ(colour, c.colour) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    }
}

std::string bytesOf(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

TEST(ColourText, RegistryValueMustBeTerminatedTextThatFits) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        bool isText;
        std::string bytes;
        std::optional<Colour> colour;
    } cases[] = {
        {"terminated text", true, bytesOf(u"0,128,0"s + u'\0'), rgb(0, 128, 0)},
        {"eleven characters fit", true, bytesOf(u"001,002,003"s + u'\0'), rgb(1, 2, 3)},
        {"twelve characters do not", true, bytesOf(u"0001,002,003"s + u'\0'), std::nullopt},
        {"not text", false, bytesOf(u"0,128,0"s + u'\0'), std::nullopt},
        {"no terminator", true, bytesOf(u"0,128,0"), std::nullopt},
        {"odd byte size", true, bytesOf(u"0,128,0"s + u'\0') + "x", std::nullopt},
        {"empty value", true, "", std::nullopt},
        {"text ends at its first terminator", true, bytesOf(u"1,2,3"s + u'\0' + u"4" + u'\0'), rgb(1, 2, 3)},
        {"a terminator cuts a field off", true, bytesOf(u"1,2"s + u'\0' + u"3" + u'\0'), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseColourValue(c.isText, c.bytes), c.colour) << c.name;
    }
}

} // namespace
} // namespace launcher
