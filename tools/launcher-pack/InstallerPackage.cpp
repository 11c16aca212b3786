#include "InstallerPackage.h"

#include "Bytes.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>

namespace launcher::pack {

namespace {

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// The characters of code page 1252 in its range 0x80-0x9F.
constexpr std::u16string_view kWindows1252Extra =
    u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u017D\u2018\u2019\u201C\u201D"
    u"\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u017E\u0178";

std::string alphanumeric(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) result += c;
    }
    return result;
}

// The shell reads no longer programmatic identifiers.
constexpr size_t kProgIdLimit = 39;

// The letter Windows compares a character as: its capital, for the letters
// that Windows-1252 text can hold.
char16_t windowsCapital(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    switch (c) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: return c;
    }
}

} // namespace

std::string checkedGuid(std::string_view text) {
    std::string_view bare = text;
    if (bare.size() == 38 && bare.front() == '{' && bare.back() == '}') bare = bare.substr(1, 36);
    bool valid = bare.size() == 36;
    for (size_t i = 0; valid && i < bare.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        valid = dash ? bare[i] == '-' : std::isxdigit(static_cast<unsigned char>(bare[i])) != 0;
    }
    if (!valid) {
        throw PackError("\"" + std::string(text) +
                        "\" is not a GUID like {8C5A1E2B-0F3D-4A6E-9B71-2D4C6E8F0A13}; make one with uuidgen "
                        "(Linux) or [guid]::NewGuid() (PowerShell), once, and keep it for every version");
    }
    // Appended, not "{" + ...: GCC 12 warns falsely about that form.
    std::string guid(1, '{');
    guid += upper(bare);
    guid += '}';
    return guid;
}

std::string installerVersion(const VersionNumber4& version) {
    if (version[0] > 255) throw PackError("the major version is " + std::to_string(version[0]) + "; Windows Installer allows at most 255");
    if (version[1] > 255) throw PackError("the minor version is " + std::to_string(version[1]) + "; Windows Installer allows at most 255");
    // The build number may use the whole 16 bits that version parsing allows.
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]);
}

FileAssociation parseFileAssociation(std::string_view text, std::string_view productName) {
    size_t colon = text.find(':');
    FileAssociation association{std::string(text.substr(0, colon)), ""};
    if (colon != std::string_view::npos) association.description = std::string(text.substr(colon + 1));
    const std::string& ext = association.extension;
    auto allowed = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; };
    if (ext.empty() || ext.size() > 32 || !std::all_of(ext.begin(), ext.end(), allowed)) {
        throw PackError("\"" + ext + "\" is no extension: give it without the dot, as letters, digits, - and _ (at most 32)");
    }
    for (const char* reserved : {"EXE", "LNK", "BAT", "CMD", "COM", "MSI"}) {
        if (upper(ext) == reserved) throw PackError("\"" + ext + "\" belongs to Windows itself and cannot be taken over");
    }
    if (association.description.empty()) association.description = std::string(productName) + " document";
    checkInstallerText(association.description, "the description of ." + ext);
    return association;
}

void checkInstallerText(std::string_view text, std::string_view what) {
    std::u16string wide = fromUtf8(text);
    if (toUtf8(wide) != text) throw PackError(std::string(what) + " is not UTF-8 text");
    checkWixVariables(text, what);
    for (char16_t c : wide) {
        bool fits = (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF) || kWindows1252Extra.find(c) != std::u16string_view::npos;
        if (!fits) {
            throw PackError(std::string(what) + " \"" + std::string(text) +
                            "\" holds a character that Windows Installer packages built here cannot carry "
                            "(they are limited to Windows-1252: Western European letters)");
        }
    }
}

void checkWixVariables(std::string_view text, std::string_view what) {
    // WiX reads "$(" and "!(" as variables in any attribute, and wixl has no
    // escape for them; its preprocessor also turns "$$$$" (a doubled "$$")
    // into "$$$", so "$$" cannot be carried either.
    for (const char* variable : {"$(", "!(", "$$"}) {
        if (text.find(variable) != std::string_view::npos) {
            throw PackError(std::string(what) + " \"" + std::string(text) + "\" holds \"" + variable +
                            "\", which WiX's preprocessor would not keep as it stands");
        }
    }
}

std::optional<std::pair<std::string, std::string>> caseOnlyClash(const std::vector<std::string>& paths) {
    std::map<std::u16string, const std::string*> seen;
    for (const std::string& path : paths) {
        std::u16string folded = fromUtf8(path);
        for (char16_t& c : folded) c = windowsCapital(c);
        auto [found, added] = seen.emplace(std::move(folded), &path);
        if (!added) return std::pair(*found->second, path);
    }
    return std::nullopt;
}

bool isWindowsFileName(std::string_view name) {
    bool bad = name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ';
    for (char c : name) bad = bad || static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
    // Device names are no file names on Windows, with any extension.
    std::string device = upper(name.substr(0, name.find('.')));
    while (!device.empty() && device.back() == ' ') device.pop_back();
    bad = bad || device == "CON" || device == "PRN" || device == "AUX" || device == "NUL" ||
          (device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) && device[3] >= '1' && device[3] <= '9');
    return !bad;
}

std::string vendorFolderName(std::string_view vendor) {
    size_t end = vendor.find_last_not_of(". ");
    return std::string(vendor.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::optional<std::string> nextInstallerVersion(std::string_view version) {
    unsigned parts[3] = {};
    const char* at = version.data();
    const char* end = at + version.size();
    for (unsigned& part : parts) {
        auto [next, error] = std::from_chars(at, end, part);
        if (error != std::errc()) throw PackError("\"" + std::string(version) + "\" is no product version");
        at = next == end ? end : next + 1;
    }
    const unsigned limits[3] = {255, 255, 65535};
    for (int i = 2; i >= 0; --i) {
        if (parts[i] < limits[i]) {
            ++parts[i];
            return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
        }
        parts[i] = 0;
    }
    return std::nullopt;
}

std::string progIdFor(std::string_view vendor, std::string_view name, std::string_view extension) {
    std::string vendorPart = alphanumeric(vendor), namePart = alphanumeric(name), extPart = alphanumeric(extension);
    if (namePart.empty()) namePart = "Application";
    std::string& first = vendorPart.empty() ? namePart : vendorPart;
    if (std::isdigit(static_cast<unsigned char>(first[0]))) first.insert(0, "App");
    auto joined = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) {
            if (!part.empty()) text += (text.empty() ? "" : ".") + part;
        }
        return text;
    };
    std::string whole = joined({vendorPart, namePart, extPart});
    // An extension that lost characters ("my-doc", "mydoc") would meet another.
    if (whole.size() <= kProgIdLimit && extPart.size() == extension.size()) return whole;
    char hash[9];
    std::snprintf(hash, sizeof hash, "%08X", textHash(std::string(vendor) + '\n' + std::string(name) + '\n' + std::string(extension)));
    extPart = extPart.substr(0, 12);
    // What is left for vendor and name after ".HASH", ".ext" and the dot between them.
    size_t room = kProgIdLimit - 9 - (extPart.empty() ? 0 : extPart.size() + 1) - (vendorPart.empty() ? 0 : 1);
    size_t vendorSize = std::min(vendorPart.size(), std::max(room / 2, room - std::min(room, namePart.size())));
    vendorPart.resize(vendorSize);
    namePart.resize(std::min(namePart.size(), room - vendorSize));
    return joined({vendorPart, namePart, hash, extPart});
}

uint32_t textHash(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

} // namespace launcher::pack
