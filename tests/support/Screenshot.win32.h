#pragma once
// Pictures for the GUI tests: the whole screen saved as a person would see
// it, and small test images written in the one format every decoder reads.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string_view>

namespace launcher::test {

// <build>/screenshots/<name>.bmp: the whole primary screen as it is now.
// Returns the file, or an empty path when the screen could not be read.
std::filesystem::path saveScreenshot(std::string_view name);

// A 24-bit BMP of width by height whose pixel (x, y) is colour(x, y).
void writeBitmapFile(const std::filesystem::path& file, int width, int height,
                     const std::function<COLORREF(int x, int y)>& colour);

} // namespace launcher::test
