#include "thumbs/ThumbLayout.h"

#include <algorithm>
#include <cmath>

namespace thumbs {

Layout thumbPositions(int count, float sheetWidth) {
    Layout layout;
    int nextLeft = kFirstLeft;
    int nextTop = kFirstTop;
    for (int i = 0; i < count; ++i) {
        if (i == 0) {
            layout.places.push_back(kElementZero);
            continue;
        }
        nextLeft += kThumbSize + kColumnGap;
        // Single precision, as the sheet's width is kept: a left edge of exactly the width
        // less 1750 still fits.
        if (sheetWidth - static_cast<float>(kColumnGap) - static_cast<float>(kThumbSize) <
            static_cast<float>(nextLeft)) {
            nextLeft = kLeftMargin;
            nextTop += kThumbSize + kRowGap;
            ++layout.rowCount;
        }
        layout.places.emplace_back(nextLeft, nextTop);
    }
    return layout;
}

float visibleRows(float barHeight) {
    return barHeight / static_cast<float>(kThumbSize + kRowGap);
}

int scrollMax(int rowCount, float visibleRows) {
    const int max = static_cast<int>(std::nearbyint(static_cast<float>(rowCount) - visibleRows));
    return std::max(max, 0);
}

int largeChange(float visibleRows) {
    return static_cast<int>(std::nearbyint(visibleRows));
}

}  // namespace thumbs
