#include "platform/JpegHalves.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <system_error>
#include <thread>

#include <jpeglib.h>

namespace platform {

namespace {

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

// Warnings (data cut short, a damaged stretch) leave the decode going, grey where data lacks, as
// Qt's reader does; there is nothing to tell of them.
void quiet(j_common_ptr) {}

// Where the rows go: `size` pixels of 4 bytes, a row each `stride` bytes.
struct Rows {
    uchar* bits;
    qsizetype stride;
    QSize size;
};

// Rows [from, to) of the picture; the profile too when `profile` is given. Nothing in this frame
// has a destructor: the decoder's errors jump back to it.
bool decodeRows(const QByteArray& bytes, int factor, int from, int to, Rows rows,
                QByteArray* profile, const std::atomic<bool>* abort) {
    jpeg_decompress_struct info;
    Errors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leave;
    errors.manager.output_message = quiet;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (profile) {
        jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    }
    const bool taken = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && !info.progressive_mode &&
                       info.num_components == 3 &&
                       (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB);
    if (!taken) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    if (profile && jpeg_read_icc_profile(&info, &icc, &iccLength)) {
        *profile = QByteArray(reinterpret_cast<const char*>(icc), int(iccLength));
        std::free(icc);
    }
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned int>(factor);
    info.out_color_space = JCS_EXT_BGRX;  // Format_RGB32's bytes, in little-endian order
    jpeg_start_decompress(&info);
    if (int(info.output_width) != rows.size.width() ||
        int(info.output_height) != rows.size.height()) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (from > 0 && jpeg_skip_scanlines(&info, JDIMENSION(from)) != JDIMENSION(from)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (int(info.output_scanline) < to) {
        if (abort && abort->load(std::memory_order_relaxed)) {
            jpeg_destroy_decompress(&info);
            return false;
        }
        JSAMPROW row = rows.bits + qsizetype(info.output_scanline) * rows.stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    // The rows below are not wanted: the decode ends here, which the decoder allows.
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

bool decodeJpegInHalves(const QByteArray& bytes, int factor, QImage& image, QByteArray& profile,
                        const std::atomic<bool>* abort) {
    if (image.isNull() || image.format() != QImage::Format_RGB32 || factor < 1 || factor > 8 ||
        bytes.isEmpty()) {
        return false;
    }
    // Written by two threads at once, straight to the pixels, which are this image's own.
    const Rows rows{image.bits(), image.bytesPerLine(), image.size()};
    const int half = rows.size.height() / 2;
    bool lower = false;
    try {
        std::thread other([&] {
            lower = decodeRows(bytes, factor, half, rows.size.height(), rows, nullptr, abort);
        });
        const bool upper = decodeRows(bytes, factor, 0, half, rows, &profile, abort);
        other.join();
        return upper && lower;
    } catch (const std::system_error&) {
        // No thread to be had: the whole on this one.
        return decodeRows(bytes, factor, 0, rows.size.height(), rows, &profile, abort);
    }
}

}  // namespace platform
