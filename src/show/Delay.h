#pragma once

#include <QString>

namespace show {

inline constexpr int kDefaultDelay = 3000;

// The time between pictures in milliseconds for the value of a "delay" line, in seconds:
// optional blanks and sign, digits, and a fraction after "." or the user's decimal separator.
// Rounded to the nearest millisecond, halves to even. A value that is not such a number, or
// that gives no positive time, gives the default; a longer time than the timer can hold gives
// its largest interval.
int delayMilliseconds(const QString& value);

}  // namespace show
