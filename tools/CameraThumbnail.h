#pragma once

// The EXIF thumbnails that cameras and phones store in their photos, for the sample-picture
// tool and the tests. Most cameras with a 3:2 sensor store a 160 x 120 thumbnail holding the
// photo between black bands above and below (letterboxed), and a 16:9 photo's likewise; phones
// store a larger one of the photo's own proportions; some editing programs stretch the photo
// to 160 x 120.
#include <QImage>
#include <QPainter>
#include <QSize>

namespace camerathumbnail {

enum class Shape { None, Banded, Matching, Stretched };

struct Kind {
    const char* name;
    QSize thumbnail;
    Shape shape;
    int orientation;  // EXIF; a turned photo's thumbnail is stored as the photo is, unturned
};

inline constexpr Kind kKinds[] = {
    {"camera", {160, 120}, Shape::Banded, 1},   // a 3:2 camera photo
    {"phone", {512, 384}, Shape::Matching, 1},  // a 4:3 phone photo
    {"video", {160, 120}, Shape::Banded, 1},    // a 16:9 photo
    {"stretched", {160, 120}, Shape::Stretched, 1},
    {"bare", {}, Shape::None, 1},                // no thumbnail at all
    {"portrait", {160, 120}, Shape::Banded, 6},  // held upright when taken
};

// The thumbnail of `photo` (as stored) that a camera of `kind` writes; null for none.
inline QImage thumbnail(const QImage& photo, const Kind& kind) {
    switch (kind.shape) {
        case Shape::None:
            return {};
        case Shape::Stretched:
            return photo.scaled(kind.thumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        case Shape::Matching:
            return photo.scaled(kind.thumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        case Shape::Banded:
            break;
    }
    QImage banded(kind.thumbnail, QImage::Format_RGB32);
    banded.fill(Qt::black);
    const QImage fitted =
        photo.scaled(kind.thumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter(&banded).drawImage((kind.thumbnail.width() - fitted.width()) / 2,
                                (kind.thumbnail.height() - fitted.height()) / 2, fitted);
    return banded;
}

}  // namespace camerathumbnail
