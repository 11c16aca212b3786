#include "Pkcs11Uri.h"

#include "Bytes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace launcher::pack {

namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// A PKCS#11 URI's value: letters, digits, "-._~", the characters in
// allowed (which stand for themselves there), and %XX.
void checkUriValue(const std::string& uri, const std::string& value, const char* allowed) {
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '%') {
            if (i + 2 >= value.size() || !isHex(value[i + 1]) || !isHex(value[i + 2])) {
                throw PackError("\"" + uri + "\": \"%\" must start %XX, two hexadecimal digits");
            }
            i += 2;
        } else if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("-._~", c) && !std::strchr(allowed, c)) {
            const char* digits = "0123456789ABCDEF";
            auto byte = static_cast<unsigned char>(c);
            std::string encoded{'%', digits[byte >> 4], digits[byte & 15]};
            throw PackError("\"" + uri + "\": \"" + std::string(1, c) + "\" must be written " + encoded + " in a PKCS#11 URI");
        }
    }
}

// name=value pairs between separators; every name known (or a vendor's
// "x-" one) and given once.
std::vector<std::pair<std::string, std::string>> uriAttributes(const std::string& uri, const std::string& part, char separator,
                                                               const std::set<std::string>& known, const char* allowed) {
    std::vector<std::pair<std::string, std::string>> attributes;
    std::set<std::string> seen;
    for (size_t begin = 0; begin < part.size();) {
        size_t end = std::min(part.find(separator, begin), part.size());
        std::string attribute = part.substr(begin, end - begin);
        begin = end + 1;
        size_t equals = attribute.find('=');
        if (equals == std::string::npos) throw PackError("\"" + uri + "\": \"" + attribute + "\" is no name=value");
        std::string name = attribute.substr(0, equals);
        if (!known.count(name) && !(name.starts_with("x-") && name.size() > 2)) {
            throw PackError("\"" + uri + "\": \"" + name + "\" is no PKCS#11 URI attribute");
        }
        if (!seen.insert(name).second) throw PackError("\"" + uri + "\": \"" + name + "\" is given twice");
        checkUriValue(uri, attribute.substr(equals + 1), allowed);
        attributes.emplace_back(name, attribute.substr(equals + 1));
    }
    return attributes;
}

} // namespace

void checkPkcs11Uri(const std::string& uri) {
    if (!uri.starts_with("pkcs11:")) throw PackError("\"" + uri + "\" is no PKCS#11 URI (pkcs11:token=...;object=...)");
    std::string rest = uri.substr(7);
    size_t question = rest.find('?');
    static const std::set<std::string> pathNames{"token", "manufacturer", "serial", "model", "library-manufacturer",
                                                 "library-description", "library-version", "object", "type", "id",
                                                 "slot-description", "slot-manufacturer", "slot-id"};
    static const std::set<std::string> queryNames{"pin-source", "pin-value", "module-name", "module-path"};
    auto path = uriAttributes(uri, rest.substr(0, question), ';', pathNames, ":[]@!$'()*+,=&");
    auto query = question == std::string::npos ? decltype(path){}
                                               : uriAttributes(uri, rest.substr(question + 1), '&', queryNames, ":[]@!$'()*+,=/?|");
    auto find = [](const auto& attributes, const std::string& name) -> const std::string* {
        for (const auto& [n, value] : attributes) {
            if (n == name) return &value;
        }
        return nullptr;
    };
    const std::string* object = find(path, "object");
    const std::string* id = find(path, "id");
    if ((!object || object->empty()) && (!id || id->empty())) {
        throw PackError("\"" + uri + "\" names no key: give its object=LABEL or id=%XX");
    }
    if (const std::string* type = find(path, "type"); type && *type != "private") {
        throw PackError("\"" + uri + "\": type=" + *type + " is no private key (type=private)");
    }
    if (find(query, "pin-value")) {
        throw PackError("\"" + uri + "\" holds the PIN; it belongs in the variable named by --sign-password-env");
    }
}

} // namespace launcher::pack
