#pragma once

#include <QByteArray>

namespace platform {

// What a JPEG's EXIF block (its APP1 segment from "Exif") tells, read by libexif.

// The orientation tag of the first directory: 1 (as stored) to 8; 1 when the block or the tag is
// missing, or its value is none of these.
int exifOrientation(const QByteArray& exif);

// The small JPEG picture of itself that a camera stores in the second directory; empty when
// there is none.
QByteArray exifThumbnail(const QByteArray& exif);

}  // namespace platform
