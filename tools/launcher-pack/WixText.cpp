#include "WixText.h"

#include "InstallerPackage.h"

#include <cctype>
#include <cstdio>

namespace launcher::pack {

std::string wixIdentifier(std::string_view prefix, std::string_view path) {
    std::string id(prefix);
    id += '_';
    for (char c : path.substr(0, 48)) {
        id += std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_';
    }
    char hash[10];
    std::snprintf(hash, sizeof hash, "_%08x", textHash(path));
    return id + hash;
}

std::string xmlText(std::string_view text) {
    std::string result;
    for (char c : text) {
        switch (c) {
        case '&': result += "&amp;"; break;
        case '<': result += "&lt;"; break;
        case '>': result += "&gt;"; break;
        case '"': result += "&quot;"; break;
        case '\'': result += "&apos;"; break;
        case '$': result += "$$"; break; // the preprocessor's escape
        default: result += c;
        }
    }
    return result;
}

std::string formattedText(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}') result.append("[\\").append(1, c).append("]");
        else result += c;
    }
    return result;
}

} // namespace launcher::pack
