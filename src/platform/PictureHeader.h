#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSize>

namespace platform {

// Pictures whose header claims more pixels than this are refused before any decoding. The
// decoder's own allocation limit only guards the image it hands back; a progressive JPEG
// makes libjpeg keep every coefficient of the whole picture (about 3-6 bytes a pixel) however
// small it is decoded, so a crafted header alone could cost gigabytes. 120 million pixels
// lets the largest camera photos (about 100 MP, 11648 x 8736) through.
inline constexpr qint64 kMaxStoredPixels = 120'000'000;

// What the markers of a JPEG before its image data tell.
struct JpegHeader {
    QSize frame;                  // the size of the frame header; invalid when none was found
    bool cutShort = false;        // the file ends before the image data: no picture in it
    qint64 coefficientBytes = 0;  // a progressive frame's coefficient store, 0 for others
    QByteArray exif;              // the first APP1 segment that is an EXIF block, from "Exif"
};

// What a picture file's first bytes tell, read before the file is read whole.
struct Header {
    QByteArray format;    // as the readers tell it from the content; empty: none of theirs
    QSize claimed;        // the stored size the header claims; invalid when unknown
    JpegHeader jpeg;      // what a JPEG's markers before its image data tell
    int orientation = 1;  // a JPEG's EXIF orientation
};

// Reads the header of the picture file open on `device`, from its start; a JPEG's markers up to
// its image data, no further.
Header readHeader(QIODevice& device);

// Why a file with this header is refused before it is read whole; nullptr when it is not.
const char* headerRefusal(const Header& header);

qint64 pixelCount(QSize size);

}  // namespace platform
