#include "splash/SplashPlacement.h"

namespace launcher {

SplashOrigin centredSplashOrigin(int screenWidth, int screenHeight, int pictureWidth, int pictureHeight) {
    // C++ division truncates toward zero, which is the placement wanted for
    // odd and negative differences alike.
    return {(screenWidth - pictureWidth) / 2, (screenHeight - pictureHeight) / 2};
}

} // namespace launcher
