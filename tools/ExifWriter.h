#pragma once

// Writes a JPEG's EXIF block with libexif, as a camera does: the camera, the date, the
// orientation, maker data and, when given, a small JPEG of the picture itself. Used by the
// sample-picture tool, whose camera photos carry one, and by the tests.
#include <QByteArray>

#include <cstdlib>
#include <cstring>

#include <libexif/exif-data.h>

namespace exifwriter {

// Adds an entry of `bytes` to `ifd` (text: with its terminating zero).
inline void put(ExifContent* ifd, ExifTag tag, ExifFormat format, const QByteArray& bytes) {
    ExifEntry* entry = exif_entry_new();
    entry->tag = tag;
    entry->format = format;
    entry->components = unsigned(bytes.size()) + (format == EXIF_FORMAT_ASCII ? 1 : 0);
    entry->size = unsigned(entry->components);
    // Freed by libexif with the entry, through its default allocator.
    entry->data = static_cast<unsigned char*>(std::calloc(entry->size, 1));
    std::memcpy(entry->data, bytes.constData(), size_t(bytes.size()));
    exif_content_add_entry(ifd, entry);
    exif_entry_unref(entry);
}

// The APP1 segment, from its marker on, laid out as cameras write it: IFD0 with the make, the
// model, the date and the orientation; an EXIF IFD with the date taken and 2 KB of maker data;
// IFD1 with `thumbnail`, when given. Empty when libexif fails or the block would pass the
// segment's 64 KB.
inline QByteArray segment(int orientation, const QByteArray& thumbnail = {}) {
    ExifData* data = exif_data_new();
    if (!data) {
        return {};
    }
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    const QByteArray taken("2024:06:15 10:00:00");
    put(data->ifd[EXIF_IFD_0], EXIF_TAG_MAKE, EXIF_FORMAT_ASCII, "Lumosa Samples");
    put(data->ifd[EXIF_IFD_0], EXIF_TAG_MODEL, EXIF_FORMAT_ASCII, "Sample Camera 24");
    put(data->ifd[EXIF_IFD_0], EXIF_TAG_DATE_TIME, EXIF_FORMAT_ASCII, taken);
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, EXIF_BYTE_ORDER_INTEL, ExifShort(orientation));
    exif_entry_unref(entry);
    put(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_FORMAT_ASCII, taken);
    QByteArray maker(2048, '\0');
    for (qsizetype i = 0; i < maker.size(); ++i) {
        maker[i] = char(i * 7 % 251);
    }
    put(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_MAKER_NOTE, EXIF_FORMAT_UNDEFINED, maker);
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
