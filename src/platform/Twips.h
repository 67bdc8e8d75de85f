#pragma once

#include <cmath>

namespace platform {

// Geometry is kept in twips as single-precision values; only the Qt widget underneath is
// placed in logical pixels. 1440 twips per inch at 96 logical dpi gives 15 twips per pixel,
// and Qt's device pixel ratio takes care of high-dpi screens.
inline constexpr float kTwipsPerPixel = 15.0f;

inline int toPixels(float twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

inline float toTwips(int pixels) {
    return static_cast<float>(pixels) * kTwipsPerPixel;
}

}  // namespace platform
