#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Text files come from anywhere: UTF-8 when the bytes are valid UTF-8, otherwise the
// single-byte Windows-1252 that discs written on older systems carry.
QString decodeWindows1252(QByteArrayView bytes);
// The bytes that decodeWindows1252 turns into `text`; none when a character has no byte.
std::optional<QByteArray> encodeWindows1252(QStringView text);
// A name or a description as it stands on one line (a caption, a tooltip): every control
// character (newline, tab, carriage return, ...) a blank, so that the whole text shows.
QString singleLine(QString text);

}  // namespace platform
