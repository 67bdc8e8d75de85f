#pragma once

#include <QPoint>

#include <functional>

class QObject;

namespace platform {

// The primary screen's whole geometry (not only the available area), in twips. The show covers
// that monitor; windows' positions count from its top-left corner (Origin, in logical pixels of
// the whole desktop), so that every window opens on the show's monitor.
struct Screen {
    static float Width();
    static float Height();
    static QPoint Origin();
    // Calls `handler` whenever the screen changes size (a projector plugged in, another
    // resolution), as long as `context` lives.
    static void onResize(QObject* context, std::function<void()> handler);
};

}  // namespace platform
