#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Text files come from anywhere: UTF-8 when the bytes are valid UTF-8, otherwise the
// single-byte Windows-1252 that discs written on older systems carry.
bool isValidUtf8(QByteArrayView bytes);
QString decodeWindows1252(QByteArrayView bytes);

}  // namespace platform
