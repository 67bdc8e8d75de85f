#include "platform/Exif.h"

#include <memory>

#include <libexif/exif-data.h>

namespace platform {

namespace {

using ExifPointer = std::unique_ptr<ExifData, decltype(&exif_data_unref)>;

ExifPointer load(const QByteArray& exif) {
    ExifPointer data(exif.isEmpty() ? nullptr : exif_data_new(), &exif_data_unref);
    if (data) {
        // Read as it stands: the library would otherwise add the tags it deems mandatory.
        exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
        exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(exif.constData()),
                            unsigned(exif.size()));
    }
    return data;
}

}  // namespace

int exifOrientation(const QByteArray& exif) {
    const ExifPointer data = load(exif);
    if (!data) {
        return 1;
    }
    const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components != 1 || entry->size < 2) {
        return 1;
    }
    const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

QByteArray exifThumbnail(const QByteArray& exif) {
    const ExifPointer data = load(exif);
    if (!data || !data->data || data->size == 0) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(data->data), qsizetype(data->size));
}

}  // namespace platform
