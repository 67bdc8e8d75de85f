#include "show/Fit.h"

namespace show {

float naturalWidthAtHeight(float naturalWidth, float naturalHeight, float height) {
    return static_cast<float>(static_cast<double>(naturalWidth) /
                              static_cast<double>(naturalHeight) * static_cast<double>(height));
}

Placement fitAndCentre(float width, float height, float windowWidth, float windowHeight) {
    const float rw = windowWidth / width;
    const float rh = windowHeight / height;
    const float s = rw > rh ? rh : rw;
    Placement p{};
    p.width = width * s;
    p.height = height * s;
    p.top = (windowHeight - p.height) / 2.0f;
    p.left = (windowWidth - p.width) / 2.0f;
    return p;
}

}  // namespace show
