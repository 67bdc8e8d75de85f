#pragma once

#include <QByteArray>
#include <QImage>

#include <atomic>

namespace platform {

// Decodes a baseline colour JPEG (three components, one scan) held whole in `bytes` at
// 1/`factor` into `image`, made beforehand at the size the decoder gives at that factor in
// Format_RGB32, through libjpeg-turbo itself: the upper half on this thread while another decodes
// the lower half, passing over the rows above it. A camera photo's decode for the screen thus
// takes about nine tenths of the time on one thread, and none of Qt's reader's own (its data
// handed over 4 KB at a time). The ICC profile the file carries, if any, goes to `profile`.
// False when the file is not one it takes, when the decoder fails on it (the caller then decodes
// it through Qt's reader, which tells why) and when `abort` is set meanwhile.
bool decodeJpegInHalves(const QByteArray& bytes, int factor, QImage& image, QByteArray& profile,
                        const std::atomic<bool>* abort);

}  // namespace platform
