#include "config/FolderName.h"

#include <algorithm>

namespace launcher {

std::u16string folderNameOfProduct(std::u16string_view productName) {
    static constexpr std::u16string_view kInvalid = u"\\?\"|><:/*";
    std::u16string name;
    name.reserve(productName.size());
    for (char16_t c : productName) {
        if (kInvalid.find(c) == std::u16string_view::npos) name.push_back(c);
    }
    return name;
}

bool isOwnFolderName(std::u16string_view name) {
    return std::any_of(name.begin(), name.end(), [](char16_t c) { return c != u'.' && c != u' '; });
}

} // namespace launcher
