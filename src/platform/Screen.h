#pragma once

namespace platform {

// The primary screen's whole geometry (not only the available area), in twips.
struct Screen {
    static float Width();
    static float Height();
};

}  // namespace platform
