// One INI file serves both targets, so the Linux reader must return what the
// Windows profile functions return. Files are generated from a fixed seed
// (the same files on every run) and every key the generator wrote, in other
// letter cases, with blanks around it and missing, is asked of both readers.

#include "config/IniFile.h"
#include "config/IniText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace launcher {
namespace {

enum class FileEncoding { Ascii, Utf8WithBom, Utf16WithBom };

struct AskedKey {
    std::u16string section;
    std::u16string key;
};

// Builds one INI text from a seeded generator. The raw output of the engine
// is used (no distributions), so the files are the same with every library.
class IniGenerator {
public:
    explicit IniGenerator(uint32_t seed) : random_(seed) {}

    std::u16string text;
    std::vector<AskedKey> asked;
    FileEncoding encoding = FileEncoding::Ascii;

    void generate() {
        encoding = static_cast<FileEncoding>(pick(3));
        static const std::u16string breaks[] = {u"\n", u"\r\n", u"\r\n", u"\r"};
        lineBreak_ = breaks[pick(std::size(breaks))];
        text.clear();
        asked.clear();
        if (chance(4)) line(chance(2) ? u"orphan=before any header" : u"orphan");
        size_t sections = 1 + pick(5);
        for (size_t s = 0; s < sections; ++s) section();
        if (chance(2)) text.pop_back(); // a last line without its line break
    }

    std::string bytes() const {
        switch (encoding) {
        case FileEncoding::Utf16WithBom: {
            std::string out = "\xFF\xFE";
            for (char16_t c : text) {
                out.push_back(static_cast<char>(c & 0xFF));
                out.push_back(static_cast<char>(c >> 8));
            }
            return out;
        }
        case FileEncoding::Utf8WithBom: return "\xEF\xBB\xBF" + toUtf8(text);
        default: return toUtf8(text);
        }
    }

private:
    std::mt19937 random_;
    std::u16string lineBreak_;

    size_t pick(size_t count) { return random_() % count; }
    bool chance(size_t oneIn) { return pick(oneIn) == 0; }

    // Without a byte-order mark Windows reads the ANSI code page; the
    // generator keeps such files to ASCII (the difference is deliberate and
    // listed in the README).
    std::u16string name() {
        static const std::u16string ascii[] = {u"Java Runtime Environment", u"Class Path", u"Application", u"JRE Path",
                                               u"Main Class", u"k", u"Key", u"a b", u"x.y", u"Name#1"};
        static const std::u16string wide[] = {u"Gr\u00f6\u00dfe", u"\u65e5\u672c\u8a9e", u"\u00dcn\u00efc\u00f8d\u00e9",
                                              u"\u043a\u043b\u044e\u0447", u"smile \U0001F600"};
        if (encoding != FileEncoding::Ascii && chance(3)) return wide[pick(std::size(wide))];
        return ascii[pick(std::size(ascii))];
    }

    std::u16string blanks() {
        static const std::u16string choices[] = {u"", u"", u" ", u"  ", u"\t", u" \t ", u"\x1A"};
        static const std::u16string wide[] = {u"\u00a0", u"\u3000", u"\u2003 "};
        if (encoding != FileEncoding::Ascii && chance(8)) return wide[pick(std::size(wide))];
        return choices[pick(std::size(choices))];
    }

    std::u16string word() {
        static const std::u16string words[] = {u"value", u"C:\\Program Files\\Java\\", u"-Xmx512m -Dx=1", u"a=b=c",
                                               u"semi;colon", u"#hash", u"[not a header]", u"a \"quoted\" word"};
        static const std::u16string wide[] = {u"\u00e9t\u00e9", u"\u4e2d\u6587", u"\U0001F600", u"\u00c4RGER"};
        if (encoding != FileEncoding::Ascii && chance(4)) return wide[pick(std::size(wide))];
        return words[pick(std::size(words))];
    }

    std::u16string value() {
        switch (pick(9)) {
        case 0: return u"";
        case 1: return u"\"" + word() + u"\"";
        case 2: return u"'" + word() + u"'";
        case 3: return u"\"" + word() + u"'"; // quotes that do not match
        case 4: return u"\" " + word() + u" \"";
        case 5: return std::u16string(300 + pick(chance(10) ? 70000 : 5000), u'v') + word(); // beyond the first buffer
        case 6: return word() + u" " + word();
        case 7: return u"\"" + word() + u"\" \"" + word() + u"\"";
        default: return word();
        }
    }

    std::u16string caseChanged(std::u16string text) {
        for (char16_t& c : text) {
            if (c >= u'a' && c <= u'z' && chance(2)) c = static_cast<char16_t>(c - 32);
        }
        return text;
    }

    void line(std::u16string_view content) {
        text.append(content);
        text.append(lineBreak_);
    }

    void section() {
        std::u16string sectionName = name();
        static const std::u16string tails[] = {u"", u"", u"", u" ; note", u" x]", u"]"};
        line(blanks() + u"[" + blanks() + caseChanged(sectionName) + blanks() + u"]" + tails[pick(std::size(tails))]);
        size_t entries = pick(8);
        for (size_t e = 0; e < entries; ++e) {
            switch (pick(16)) {
            case 0: line(u""); break;
            case 1: line(blanks()); break;
            case 2:
                line(u"; comment = not an entry");
                asked.push_back({sectionName, u"; comment"});
                break;
            case 3:
                line(u"a line without equals");
                asked.push_back({sectionName, u"a line without equals"});
                break;
            case 4: {
                // A key alone on its line, often before a line that sets it.
                std::u16string key = name();
                line(blanks() + caseChanged(key) + blanks());
                asked.push_back({sectionName, key});
                break;
            }
            case 5: {
                std::u16string unclosed = u"[" + name();
                line(blanks() + unclosed + (chance(2) ? u"" : u"=" + value()));
                asked.push_back({sectionName, unclosed});
                break;
            }
            case 6: line(blanks() + u"=" + blanks() + value()); break;
            default: {
                std::u16string key = name();
                line(blanks() + caseChanged(key) + blanks() + u"=" + blanks() + value() + blanks());
                asked.push_back({sectionName, key});
                asked.push_back({caseChanged(sectionName), u" " + caseChanged(key) + u" "});
            }
            }
        }
        asked.push_back({sectionName, u"Missing Key"});
        asked.push_back({u"", u"orphan"});
        asked.push_back({sectionName + u"+", u"k"});
    }
};

struct Difference {
    size_t file;
    AskedKey asked;
    std::u16string windows;
    std::u16string linux;
};

std::string describe(const Difference& d) {
    auto shown = [](std::u16string_view text) { return toUtf8(text.substr(0, 80)); };
    return "file " + std::to_string(d.file) + " [" + toUtf8(d.asked.section) + "] " + toUtf8(d.asked.key) +
           ": Windows \"" + shown(d.windows) + "\", Linux \"" + shown(d.linux) + "\"";
}

bool isCommentKey(std::u16string_view key) {
    size_t first = key.find_first_not_of(u" \t");
    return first != std::u16string_view::npos && key[first] == u';';
}

TEST(IniReadingComparison, LinuxReaderReturnsWhatWindowsReturns) {
    test::TempFolder folder;
    IniGenerator generator(20261209);
    std::vector<Difference> differences;
    size_t askedCount = 0;
    size_t found = 0;
    for (size_t file = 0; file < 150; ++file) {
        generator.generate();
        const std::string bytes = generator.bytes();
        // A name of its own per file: the profile functions cache files by name.
        const std::filesystem::path path = folder.path() / ("gen" + std::to_string(file) + ".ini");
        test::writeBytes(path, bytes);
        const std::u16string text = decodeIniBytes(bytes);
        IniFile windows(path.u16string());
        for (const AskedKey& asked : generator.asked) {
            ++askedCount;
            std::u16string fromWindows = windows.read(asked.section, asked.key);
            std::u16string fromLinux = readIniValue(text, asked.section, asked.key);
            if (!fromWindows.empty()) ++found;
            if (isCommentKey(asked.key)) {
                // A deliberate difference: Windows knows no comments and
                // finds such a line as a key; the Linux reader skips it.
                EXPECT_EQ(fromLinux, u"");
                continue;
            }
            if (fromWindows != fromLinux) differences.push_back({file, asked, fromWindows, fromLinux});
        }
    }
    EXPECT_GT(askedCount, 1000u);
    // Keys alone on their lines read as empty: a fifth still leaves
    // hundreds of values to compare.
    EXPECT_GT(found, askedCount / 5) << "too few keys found to compare";
    for (size_t i = 0; i < differences.size() && i < 20; ++i) ADD_FAILURE() << describe(differences[i]);
    EXPECT_EQ(differences.size(), 0u);
}

// Writes through the profile functions keep every character or are refused.
TEST(IniFileWrite, KeepsEveryCharacterOrRefuses) {
    test::TempFolder folder;
    const std::u16string value = u"C:\\J\u00e4v\u00e4 \u65e5\u672c\u8a9e\\";
    IniFile fresh((folder.path() / "new.ini").u16string());
    ASSERT_TRUE(fresh.writeString(u"S", u"k", value));
    EXPECT_EQ(fresh.read(u"S", u"k"), value);
    EXPECT_EQ(test::readBytes(folder.path() / "new.ini").substr(0, 2), "\xFF\xFE");

    const std::string ansi = "[S]\r\nk=old\r\n";
    test::writeBytes(folder.path() / "ansi.ini", ansi);
    IniFile existing((folder.path() / "ansi.ini").u16string());
    EXPECT_FALSE(existing.writeString(u"S", u"k", value));
    EXPECT_EQ(test::readBytes(folder.path() / "ansi.ini"), ansi);
    EXPECT_TRUE(existing.writeString(u"S", u"k", u"C:\\Java\\"));
    EXPECT_EQ(existing.read(u"S", u"k"), u"C:\\Java\\");

    test::writeBytes(folder.path() / "wide.ini", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12));
    IniFile wide((folder.path() / "wide.ini").u16string());
    ASSERT_TRUE(wide.writeString(u"S", u"k", value));
    EXPECT_EQ(wide.read(u"S", u"k"), value);
}

} // namespace
} // namespace launcher
