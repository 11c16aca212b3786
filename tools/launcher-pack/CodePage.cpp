#include "CodePage.h"

#include "base/Text.h"

#include <charconv>
#include <cstdio>

namespace launcher::pack {

namespace {

struct CodePageName {
    int number;
    const char* script;
};

// In the order in which a message suggests them.
constexpr CodePageName kCodePages[] = {
    {1252, "Western European"}, {1250, "Central European"}, {1251, "Cyrillic"}, {1253, "Greek"},
    {1254, "Turkish"},          {1255, "Hebrew"},           {1256, "Arabic"},   {1257, "Baltic"},
    {1258, "Vietnamese"},       {874, "Thai"},              {932, "Japanese"},  {936, "Simplified Chinese"},
    {949, "Korean"},            {950, "Traditional Chinese"},
};

// "X" (U+XXXX) for the character at the start of text.
std::string characterName(std::u16string_view text) {
    size_t units = text.size() > 1 && text[0] >= 0xD800 && text[0] < 0xDC00 ? 2 : 1;
    char32_t code = units == 2 ? 0x10000 + ((text[0] - 0xD800) << 10) + (text[1] - 0xDC00) : text[0];
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
    return "\"" + toUtf8(text.substr(0, units)) + "\" (" + number + ")";
}

} // namespace

bool isPackageCodePage(int codePage) {
    for (const CodePageName& page : kCodePages) {
        if (page.number == codePage) return true;
    }
    return false;
}

int parseCodePage(std::string_view text) {
    int number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !isPackageCodePage(number)) {
        throw PackError("\"" + std::string(text) + "\" is no code page a package can use: give one of 1250 to 1258, 874, 932, "
                        "936, 949 or 950");
    }
    return number;
}

std::string_view codePageScript(int codePage) {
    for (const CodePageName& page : kCodePages) {
        if (page.number == codePage) return page.script;
    }
    return "unknown";
}

void checkCodePageText(std::string_view text, std::string_view what, int codePage) {
    if (encodeInCodePage(text, codePage)) return;
    std::u16string wide = fromUtf8(text);
    std::string unheld = "a character";
    for (size_t i = 0; i < wide.size(); ++i) {
        size_t units = wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size() ? 2 : 1;
        if (!encodeInCodePage(toUtf8(std::u16string_view(wide).substr(i, units)), codePage)) {
            unheld = characterName(std::u16string_view(wide).substr(i));
            break;
        }
        i += units - 1;
    }
    std::string message = std::string(what) + " \"" + std::string(text) + "\" holds " + unheld +
                          ", which the package's code page " + std::to_string(codePage) + " (" +
                          std::string(codePageScript(codePage)) + ") cannot hold; ";
    for (const CodePageName& page : kCodePages) {
        if (encodeInCodePage(text, page.number)) {
            throw UnheldTextError(message + "--codepage " + std::to_string(page.number) + " (" + page.script +
                                  ") holds the whole text");
        }
    }
    throw UnheldTextError(message + "no code page a package can use holds the whole text");
}

} // namespace launcher::pack
