#pragma once

// Writes a JPEG's EXIF block with libexif, as a camera does: the orientation and, when given, a
// small JPEG of the picture itself. Used by the sample-picture tool, whose camera photos carry
// one, and by the tests.
#include <QByteArray>

#include <cstdlib>
#include <cstring>

#include <libexif/exif-data.h>

namespace exifwriter {

// The APP1 segment, from its marker on; empty when libexif fails or the block would pass the
// segment's 64 KB.
inline QByteArray segment(int orientation, const QByteArray& thumbnail = {}) {
    ExifData* data = exif_data_new();
    if (!data) {
        return {};
    }
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, EXIF_BYTE_ORDER_INTEL, ExifShort(orientation));
    exif_entry_unref(entry);
    if (!thumbnail.isEmpty()) {
        // Freed by libexif with the block, through its default allocator.
        data->data = static_cast<unsigned char*>(std::malloc(size_t(thumbnail.size())));
        std::memcpy(data->data, thumbnail.constData(), size_t(thumbnail.size()));
        data->size = unsigned(thumbnail.size());
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    exif_data_unref(data);
    QByteArray app1;
    if (bytes && size + 2 <= 0xFFFF) {
        app1 = QByteArray("\xFF\xE1", 2) + char((size + 2) >> 8) + char((size + 2) & 0xFF) +
               QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size));
    }
    std::free(bytes);
    return app1;
}

// `jpeg` with that block right after its start marker.
inline QByteArray withExif(QByteArray jpeg, int orientation, const QByteArray& thumbnail = {}) {
    const QByteArray app1 = segment(orientation, thumbnail);
    return app1.isEmpty() ? QByteArray() : jpeg.insert(2, app1);
}

}  // namespace exifwriter
