#pragma once
// Where the splash window goes: centred on the primary screen at the
// picture's natural size.

namespace launcher {

struct SplashOrigin {
    int x = 0;
    int y = 0;
};

// Half the free space on each axis, truncated toward zero; negative when
// the picture is larger than the screen.
SplashOrigin centredSplashOrigin(int screenWidth, int screenHeight, int pictureWidth, int pictureHeight);

} // namespace launcher
