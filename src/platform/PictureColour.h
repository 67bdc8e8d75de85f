#pragma once

#include <QColorSpace>
#include <QImage>

namespace platform {

// A picture tagged with a colour profile other than sRGB (Adobe RGB from cameras, Display P3
// from phones) would look dull shown as sRGB: its pixels are converted, once they are at the
// size they are drawn. Untagged and sRGB pictures are left as they are; so is one whose profile
// Qt could not read (damaged, or of a kind it does not handle), which leaves no colour space.
void toSRgb(QImage& image, const QColorSpace& colours);

}  // namespace platform
