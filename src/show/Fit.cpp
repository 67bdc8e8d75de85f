#include "show/Fit.h"

namespace show {

float naturalWidthAtHeight(float naturalWidth, float naturalHeight, float height) {
    return static_cast<float>(static_cast<double>(naturalWidth) /
                              static_cast<double>(naturalHeight) * static_cast<double>(height));
}

Placement fitAndCentre(float width, float height, float windowWidth, float windowHeight) {
    const float widthRatio = windowWidth / width;
    const float heightRatio = windowHeight / height;
    const float scale = widthRatio > heightRatio ? heightRatio : widthRatio;
    Placement placement{};
    placement.width = width * scale;
    placement.height = height * scale;
    placement.top = (windowHeight - placement.height) / 2.0f;
    placement.left = (windowWidth - placement.width) / 2.0f;
    return placement;
}

}  // namespace show
