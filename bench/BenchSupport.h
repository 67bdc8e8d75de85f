#pragma once

#include <QString>

#include <functional>

class frmThumbnails;

namespace bench {

// The peak resident memory of this process so far, in MiB (VmHWM); -1 where unknown.
double peakMemoryMb();

// Milliseconds from a monotonic clock, for timing a stretch of work.
double nowMs();

// Runs the event loop until `done` holds or, with a `timeoutMs` of 0 or more, that time has
// passed; whether it holds.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = -1);

// Dates every file under `folder` a minute back, as files copied a while ago: the show waits
// for a file written moments ago, as it may still be being copied.
void dateBack(const QString& folder);

// Starts the show in `disc` as the program does and waits until its folder lists `count`
// pictures; false when the show did not start.
bool startShow(const QString& disc, int count);

// Opens the thumbnail sheet from the control panel, as a person does.
frmThumbnails* openSheet();

// Prints one figure as "name value unit", the form a script reads.
void figure(const QString& name, double value, const QString& unit);

}  // namespace bench
