#include "install/EntryCheck.h"

#include "base/Text.h"

#include <algorithm>

namespace launcher {

namespace {

constexpr size_t kMaxPartLength = 255;

bool isDeviceName(std::string_view part) {
    // Windows reserves these names with any extension: "nul.txt" is NUL.
    std::string stem(part.substr(0, part.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" || stem == "CONOUT$") {
        return true;
    }
    if (!stem.starts_with("COM") && !stem.starts_with("LPT")) return false;
    // A port's number is a digit, or one of the superscript digits one to
    // three (UTF-8 here), which Windows reads as ports as well.
    const std::string_view number = std::string_view(stem).substr(3);
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

// Why Windows could not hold part as a file name, or nothing.
const char16_t* partProblem(std::string_view part) {
    if (part == "..") return u"climbs out of its folder (\"..\")";
    if (part.size() > kMaxPartLength) return u"has a name part longer than 255 characters";
    for (char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) return u"has a control character in its name";
        if (c == '\\') return u"has a backslash in its name";
        if (c == ':') return u"has a colon in its name (a drive letter or a stream)";
        if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
            return u"has a character in its name that Windows does not allow";
        }
    }
    if (part.back() == '.' || part.back() == ' ') return u"has a name part ending in a dot or a space";
    if (isDeviceName(part)) return u"has a device name as a name part";
    return nullptr;
}

std::u16string refusal(std::string_view name, std::u16string_view why) {
    return u"The archive's entry " + quotedEntryName(std::string(name)) + u" " + std::u16string(why) + u".";
}

} // namespace

std::vector<std::string> entryNameParts(std::string_view name, std::u16string& problem) {
    if (name.empty()) {
        problem = u"The archive holds an entry without a name.";
        return {};
    }
    if (toUtf8(fromUtf8(name)) != name) {
        problem = refusal(name, u"has a name that is not UTF-8 text");
        return {};
    }
    if (name.front() == '/') {
        problem = refusal(name, u"has an absolute path");
        return {};
    }
    std::vector<std::string> parts;
    size_t at = 0;
    for (;;) {
        const size_t slash = name.find('/', at);
        const std::string_view part = name.substr(at, slash == std::string_view::npos ? name.npos : slash - at);
        const bool last = slash == std::string_view::npos || slash + 1 == name.size();
        if (part.empty()) {
            problem = refusal(name, u"has an empty name part (\"//\")");
            return {};
        }
        if (part != ".") {
            if (const char16_t* why = partProblem(part)) {
                problem = refusal(name, why);
                return {};
            }
            parts.emplace_back(part);
        }
        if (last) break;
        at = slash + 1;
    }
    if (parts.empty()) problem = refusal(name, u"names no file or folder");
    return parts;
}

std::u16string linkTargetProblem(const std::vector<std::string>& linkParts, std::string_view target) {
    if (target.empty()) return u"is a symbolic link without a target";
    if (target.front() == '/') return u"is a symbolic link to an absolute path";
    if (toUtf8(fromUtf8(target)) != target) return u"is a symbolic link whose target is not UTF-8 text";
    size_t climbs = 0;
    bool named = false;
    size_t at = 0;
    for (;;) {
        const size_t slash = target.find('/', at);
        const std::string_view part = target.substr(at, slash == std::string_view::npos ? target.npos : slash - at);
        if (part == "..") {
            if (named) return u"is a symbolic link whose target climbs (\"..\") after a name";
            ++climbs;
        } else if (!part.empty() && part != ".") {
            if (const char16_t* why = partProblem(part)) return u"is a symbolic link whose target " + std::u16string(why);
            named = true;
        }
        if (slash == std::string_view::npos) break;
        at = slash + 1;
    }
    // The link's own folder lies linkParts.size() - 1 folders below the top.
    if (climbs + 1 > linkParts.size()) return u"is a symbolic link that leads out of the archive's top folder";
    return {};
}

EntryGate::EntryGate(uint64_t archiveSize, ArchiveLimits limits, bool acceptLinks)
    : expandedLimit_(archiveSize > limits.maxExpandedSize / std::max<uint64_t>(limits.maxRatio, 1)
                         ? limits.maxExpandedSize
                         : std::min(archiveSize * limits.maxRatio, limits.maxExpandedSize)),
      maxEntries_(limits.maxEntries), acceptLinks_(acceptLinks) {}

bool EntryGate::admitLinkTarget(const ArchiveEntry& entry, const std::vector<std::string>& below, std::string_view target) {
    const std::u16string why = linkTargetProblem(below, target);
    if (why.empty()) return true;
    problem_ = refusal(entry.name, why + u" (\"" + fromUtf8(target) + u"\")");
    return false;
}

bool EntryGate::admitExtendedHeader() {
    if (++entries_ <= maxEntries_) return true;
    problem_ = u"The archive holds more than " + toDecimal(static_cast<long long>(maxEntries_)) +
               u" entries, its extended headers counted.";
    return false;
}

std::optional<std::vector<std::string>> EntryGate::admit(const ArchiveEntry& entry) {
    if (++entries_ > maxEntries_) {
        problem_ = refusal(entry.name, u"is one too many: the archive holds more than " +
                                           toDecimal(static_cast<long long>(maxEntries_)) + u" entries");
        return std::nullopt;
    }
    switch (entry.kind) {
    case EntryKind::SymbolicLink:
        if (acceptLinks_) break;
        problem_ = refusal(entry.name, u"is a symbolic link; links are unpacked on Linux only");
        return std::nullopt;
    case EntryKind::HardLink: problem_ = refusal(entry.name, u"is a hard link"); return std::nullopt;
    case EntryKind::Other: problem_ = refusal(entry.name, u"is neither a file nor a folder"); return std::nullopt;
    case EntryKind::File: case EntryKind::Folder: break;
    }
    std::vector<std::string> parts = entryNameParts(entry.name, problem_);
    if (parts.empty()) return std::nullopt;
    if (parts.size() == 1 && entry.kind != EntryKind::Folder) {
        problem_ = refusal(entry.name, u"lies outside the archive's one top folder");
        return std::nullopt;
    }
    if (topFolder_.empty()) topFolder_ = parts.front();
    if (parts.front() != topFolder_) {
        problem_ = refusal(entry.name, u"lies outside the archive's one top folder " + quotedEntryName(topFolder_));
        return std::nullopt;
    }
    if (entry.size > expandedLimit_ - expanded_) {
        problem_ = refusal(entry.name, u"expands the archive beyond " +
                                           toDecimal(static_cast<long long>(expandedLimit_)) +
                                           u" bytes, more than a runtime's archive may");
        return std::nullopt;
    }
    expanded_ += entry.size;
    parts.erase(parts.begin());
    return parts;
}

} // namespace launcher
