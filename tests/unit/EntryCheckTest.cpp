#include "install/EntryCheck.h"

#include "base/Text.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct NameCase {
    std::string name;
    // The parts joined by "|", or the words the refusal must hold.
    const char* expected;
    bool admitted;
};

const NameCase kNameCases[] = {
    {"jdk/bin/java", "jdk|bin|java", true},
    {"jdk/bin/", "jdk|bin", true},
    {"./jdk/./lib", "jdk|lib", true},
    {"jdk-21.0.5+11-jre/legal/java.base/ASSEMBLY_EXCEPTION", "jdk-21.0.5+11-jre|legal|java.base|ASSEMBLY_EXCEPTION", true},
    {"jdk/con-figure/nul-ish/LPT10", "jdk|con-figure|nul-ish|LPT10", true},
    {"jdk/caf\xC3\xA9", "jdk|caf\xC3\xA9", true},
    {"", "without a name", false},
    {"/etc/passwd", "absolute path", false},
    {"jdk/../../evil", "climbs out", false},
    {"..", "climbs out", false},
    {"jdk/bin/..", "climbs out", false},
    {"C:/Windows/evil", "colon", false},
    {"C:evil", "colon", false},
    {"jdk/file.txt:stream", "colon", false},
    {"jdk\\..\\evil", "backslash", false},
    {"\\\\server\\share\\evil", "backslash", false},
    {"jdk//bin", "empty name part", false},
    {".", "names no file", false},
    {"jdk/a\x01", "control character", false},
    {"jdk/what?", "does not allow", false},
    {"jdk/a*b", "does not allow", false},
    {"jdk/a|b", "does not allow", false},
    {"jdk/trailing.", "dot or a space", false},
    {"jdk/trailing /x", "dot or a space", false},
    {"jdk/NUL", "device name", false},
    {"jdk/aux.txt", "device name", false},
    {"jdk/com1", "device name", false},
    {"jdk/Lpt9.log", "device name", false},
    // Windows counts the superscript digits one to three as port numbers.
    {"jdk/COM\xC2\xB9", "device name", false},
    {"jdk/com\xC2\xB2.txt", "device name", false},
    {"jdk/lPt\xC2\xB3 .dll", "device name", false},
    {"jdk/LPT\xC2\xB2", "device name", false},
    {"jdk/COM\xC2\xB4", "jdk|COM\xC2\xB4", true},
    {"jdk/COM\xC2\xB9\xC2\xB9", "jdk|COM\xC2\xB9\xC2\xB9", true},
    {"jdk/caf\xE9", "not UTF-8", false},
    {"jdk/" + std::string(256, 'x'), "longer than 255", false},
};

TEST(EntryCheck, SplitsSoundNamesAndRefusesTheRestNamingTheEntry) {
    for (const NameCase& c : kNameCases) {
        std::u16string problem;
        std::vector<std::string> parts = entryNameParts(c.name, problem);
        if (c.admitted) {
            std::string joined;
            for (const std::string& part : parts) joined += (joined.empty() ? "" : "|") + part;
            EXPECT_EQ(joined, c.expected) << c.name;
            EXPECT_EQ(problem, u"") << c.name;
        } else {
            EXPECT_TRUE(parts.empty()) << c.name;
            EXPECT_NE(problem.find(fromUtf8(c.expected)), std::u16string::npos) << c.name << ": " << toUtf8(problem);
            if (!c.name.empty() && c.name.size() < 100 && toUtf8(fromUtf8(c.name)) == c.name) {
                EXPECT_NE(problem.find(u"\"" + fromUtf8(c.name) + u"\""), std::u16string::npos) << toUtf8(problem);
            }
        }
    }
}

// An entry as the readers give it: a name ending in "/" is a folder.
ArchiveEntry fileEntry(std::string name, uint64_t size = 0, EntryKind kind = EntryKind::File) {
    if (name.ends_with('/')) kind = EntryKind::Folder;
    return ArchiveEntry{.name = std::move(name), .kind = kind, .mode = 0644, .size = size};
}

struct GateCase {
    const char* what;
    std::vector<ArchiveEntry> entries;
    // Every entry but the last is admitted; the last's refusal holds this.
    const char16_t* refusal;
};

TEST(EntryCheck, GateAdmitsOneTopFolderOfPlainEntriesWithinTheLimits) {
    const ArchiveLimits limits{.maxRatio = 20, .maxExpandedSize = 5000, .maxEntries = 4};
    const GateCase cases[] = {
        {"a file beside the top folder", {fileEntry("jdk/"), fileEntry("README")}, u"outside the archive's one top folder"},
        {"a second top folder", {fileEntry("jdk/bin/java"), fileEntry("other/bin/java")}, u"top folder \"jdk\""},
        {"a symbolic link where links are not made", {fileEntry("jdk/a"), fileEntry("jdk/lib/link", 0, EntryKind::SymbolicLink)},
         u"links are unpacked on Linux only"},
        {"a hard link", {fileEntry("jdk/lib/hard", 0, EntryKind::HardLink)}, u"hard link"},
        {"a device", {fileEntry("jdk/dev", 0, EntryKind::Other)}, u"neither a file nor a folder"},
        {"one entry too many", {fileEntry("jdk/1"), fileEntry("jdk/2"), fileEntry("jdk/3"), fileEntry("jdk/4"), fileEntry("jdk/5")},
         u"more than 4 entries"},
        {"beyond 20 times the archive", {fileEntry("jdk/a", 1000), fileEntry("jdk/b", 1001)}, u"beyond 2000 bytes"},
        {"a zip-slip entry after sound ones", {fileEntry("jdk/a"), fileEntry("jdk/../../x")}, u"climbs out"},
    };
    for (const GateCase& c : cases) {
        EntryGate gate(100, limits);
        for (size_t i = 0; i + 1 < c.entries.size(); ++i) {
            EXPECT_TRUE(gate.admit(c.entries[i])) << c.what << ": " << toUtf8(gate.problem());
        }
        EXPECT_FALSE(gate.admit(c.entries.back())) << c.what;
        EXPECT_NE(gate.problem().find(c.refusal), std::u16string::npos) << c.what << ": " << toUtf8(gate.problem());
        EXPECT_NE(gate.problem().find(fromUtf8("\"" + c.entries.back().name + "\"")), std::u16string::npos) << c.what;
    }
}

TEST(EntryCheck, GateGivesPathsBelowTheTopFolderAndCapsTheSizeAbsolutely) {
    EntryGate gate(1000, ArchiveLimits{.maxRatio = 20, .maxExpandedSize = 15000, .maxEntries = 10});
    EXPECT_EQ(gate.admit(fileEntry("jdk/")), std::vector<std::string>{});
    EXPECT_EQ(gate.topFolder(), "jdk");
    EXPECT_EQ(gate.admit(fileEntry("jdk/bin/java", 15000)), (std::vector<std::string>{"bin", "java"}));
    // The ratio would allow 20000; the absolute cap does not.
    EXPECT_FALSE(gate.admit(fileEntry("jdk/one-more-byte", 1)));
    // The default limits: 20 times the archive, 2 GB at most, even for an
    // archive so large that 20 times its size does not fit 64 bits.
    EntryGate huge(uint64_t{1} << 62);
    EXPECT_TRUE(huge.admit(fileEntry("jdk/a", uint64_t{2} << 30)));
    EXPECT_FALSE(huge.admit(fileEntry("jdk/b", 1)));
}

struct LinkCase {
    std::vector<std::string> link; // below the top folder
    const char* target;
    // Empty when the link may be made, else words of the refusal.
    const char16_t* refusal;
};

// What runtime images hold: legal/<module>/LICENSE -> ../java.base/LICENSE.
TEST(EntryCheck, LinksStayRelativeAndInsideTheTopFolder) {
    const LinkCase cases[] = {
        {{"legal", "java.desktop", "LICENSE"}, "../java.base/LICENSE", u""},
        {{"legal", "java.desktop", "LICENSE"}, "../../release", u""},
        {{"lib", "libjli.so"}, "./server/../libjli.so.1", u"climbs"},
        {{"lib", "current"}, "server", u""},
        {{"lib", "current"}, "./server//libjvm.so", u""},
        {{"bin", "up"}, "..", u""},
        {{"legal", "java.desktop", "LICENSE"}, "../../../etc/passwd", u"leads out of the archive's top folder"},
        {{"top-level-link"}, "..", u"leads out"},
        {{"lib", "a"}, "/etc/passwd", u"absolute path"},
        {{"lib", "a"}, "", u"without a target"},
        {{"lib", "a"}, "b/../../..", u"climbs"},
        {{"lib", "a"}, "C:/Windows", u"colon"},
        {{"lib", "a"}, "..\\..\\x", u"backslash"},
        {{"lib", "a"}, "caf\xE9", u"not UTF-8"},
    };
    for (const LinkCase& c : cases) {
        const std::u16string problem = linkTargetProblem(c.link, c.target);
        if (*c.refusal == 0) {
            EXPECT_EQ(problem, u"") << c.target;
        } else {
            EXPECT_NE(problem.find(c.refusal), std::u16string::npos) << c.target << ": " << toUtf8(problem);
        }
    }
}

TEST(EntryCheck, GateAdmitsLinksOnlyWhereLinksAreMadeAndNamesTheRefusedTarget) {
    EntryGate gate(1000, {}, true);
    const ArchiveEntry link = fileEntry("jdk/legal/java.xml/LICENSE", 0, EntryKind::SymbolicLink);
    const auto below = gate.admit(link);
    ASSERT_TRUE(below) << toUtf8(gate.problem());
    EXPECT_TRUE(gate.admitLinkTarget(link, *below, "../java.base/LICENSE"));
    EXPECT_FALSE(gate.admitLinkTarget(link, *below, "../../../../home"));
    EXPECT_NE(gate.problem().find(u"\"jdk/legal/java.xml/LICENSE\""), std::u16string::npos) << toUtf8(gate.problem());
    EXPECT_NE(gate.problem().find(u"(\"../../../../home\")"), std::u16string::npos) << toUtf8(gate.problem());
    // Hard links and a link as the top folder stay refused.
    EXPECT_FALSE(gate.admit(fileEntry("jdk/lib/hard", 0, EntryKind::HardLink)));
    EXPECT_FALSE(gate.admit(fileEntry("jdk2", 0, EntryKind::SymbolicLink)));
    EntryGate windows(1000);
    EXPECT_FALSE(windows.admit(link));
}

} // namespace
} // namespace launcher
