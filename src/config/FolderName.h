#pragma once
// Folder names made from settings: what the per-user INI, the start-up
// cache and the installed runtime put below the user's folders.

#include <string>
#include <string_view>

namespace launcher {

// "Product Name" without the characters a folder name cannot hold.
std::u16string folderNameOfProduct(std::u16string_view productName);

// A folder name that names a folder of its own: not empty, and not only
// dots and blanks ("." and ".." name the folder itself and its parent).
bool isOwnFolderName(std::u16string_view name);

} // namespace launcher
