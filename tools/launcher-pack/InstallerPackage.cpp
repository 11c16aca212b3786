#include "InstallerPackage.h"

#include "Bytes.h"
#include "CodePage.h"
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

std::string alphanumeric(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) result += c;
    }
    return result;
}

// The shell reads no longer programmatic identifiers.
constexpr size_t kProgIdLimit = 39;

// The letter Windows compares a character as: its capital, for the Latin,
// Greek and Cyrillic letters of the package code pages of those scripts.
char16_t windowsCapital(char16_t c) {
    auto minus = [c](int offset) { return static_cast<char16_t>(c - offset); };
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return minus(0x20);
    // Latin Extended-A: capital and small letter side by side.
    bool capitalEven = (c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131) || (c >= 0x14A && c <= 0x177);
    bool capitalOdd = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((capitalEven && c % 2 == 1) || (capitalOdd && c % 2 == 0)) return minus(1);
    if ((c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F)) return minus(0x20); // Greek, Cyrillic
    if (c >= 0x450 && c <= 0x45F) return minus(0x50);
    switch (c) {
    case 0xFF: return 0x178;
    case 0x3C2: return 0x3A3; // final sigma
    case 0x3AC: return 0x386;
    case 0x3AD: case 0x3AE: case 0x3AF: return minus(0x25);
    case 0x3CC: return 0x38C;
    case 0x3CD: case 0x3CE: return minus(0x3F);
    case 0x491: return 0x490;
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

FileAssociation parseFileAssociation(std::string_view text, std::string_view productName, int codePage) {
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
    checkInstallerText(association.description, "the description of ." + ext, codePage);
    return association;
}

void checkInstallerText(std::string_view text, std::string_view what, int codePage) {
    std::u16string wide = fromUtf8(text);
    if (toUtf8(wide) != text) throw PackError(std::string(what) + " is not UTF-8 text");
    checkWixVariables(text, what);
    for (char16_t c : wide) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            throw PackError(std::string(what) + " \"" + std::string(text) + "\" holds a control character, which no name can hold");
        }
    }
    checkCodePageText(text, what, codePage);
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
