#pragma once

#include <functional>

class QObject;

namespace platform {

// The primary screen's whole geometry (not only the available area), in twips.
struct Screen {
    static float Width();
    static float Height();
    // Calls `handler` whenever the screen changes size (a projector plugged in, another
    // resolution), as long as `context` lives.
    static void onResize(QObject* context, std::function<void()> handler);
};

}  // namespace platform
