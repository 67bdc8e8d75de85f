#pragma once

#include <QString>

namespace bench {

// The peak resident memory of this process so far, in MiB (VmHWM); -1 where unknown.
double peakMemoryMb();

// Milliseconds from a monotonic clock, for timing a stretch of work.
double nowMs();

// Prints one figure as "name value unit", the form a script reads.
void figure(const QString& name, double value, const QString& unit);

}  // namespace bench
