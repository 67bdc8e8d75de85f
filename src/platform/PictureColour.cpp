#include "platform/PictureColour.h"

namespace platform {

void toSRgb(QImage& image, const QColorSpace& colours) {
    if (!colours.isValid() || colours == QColorSpace(QColorSpace::SRgb)) {
        return;
    }
    image.setColorSpace(colours);  // a quarter turn drops it
    image.convertToColorSpace(QColorSpace::SRgb);
}

}  // namespace platform
