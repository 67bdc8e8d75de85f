#include "show/Delay.h"

#include <QLocale>

#include <cmath>

#include "platform/Timer.h"

namespace show {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

int delayMilliseconds(const QString& value) {
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && isBlank(value.at(begin))) {
        ++begin;
    }
    while (end > begin && isBlank(value.at(end - 1))) {
        --end;
    }
    const QString separator = QLocale().decimalPoint();
    QString plain;  // the number in the C locale's form
    qsizetype i = begin;
    if (i < end && (value.at(i) == QLatin1Char('+') || value.at(i) == QLatin1Char('-'))) {
        plain.append(value.at(i++));
    }
    int digits = 0;
    bool fraction = false;
    for (; i < end; ++i) {
        const QChar c = value.at(i);
        if (isDigit(c)) {
            plain.append(c);
            ++digits;
        } else if (!fraction && (c == QLatin1Char('.') || QString(c) == separator)) {
            plain.append(QLatin1Char('.'));
            fraction = true;
        } else {
            return kDefaultDelay;
        }
    }
    if (digits == 0) {
        return kDefaultDelay;
    }
    bool ok = false;
    const double seconds = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(seconds)) {
        // The form was checked above, so only a magnitude beyond a double is left.
        return plain.startsWith(QLatin1Char('-')) ? kDefaultDelay : platform::Timer::kMaxInterval;
    }
    // nearbyint rounds halves to even in the default rounding mode.
    const double ms = std::nearbyint(seconds * 1000.0);
    if (ms <= 0) {
        return kDefaultDelay;
    }
    if (ms > platform::Timer::kMaxInterval) {
        return platform::Timer::kMaxInterval;
    }
    return static_cast<int>(ms);
}

}  // namespace show
