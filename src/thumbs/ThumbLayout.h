#pragma once

#include <QPoint>

#include <vector>

// The arithmetic of the thumbnail sheet, apart from any window so that any sheet width can be
// checked. Lengths in twips, held in 32 bits: no position wraps however many rows there are.
namespace thumbs {

inline constexpr int kLeftMargin = 250;
inline constexpr int kThumbSize = 1500;
inline constexpr int kRowGap = 250;
inline constexpr int kColumnGap = 250;
// Where the walk starts: the place of the first cell of the first row.
inline constexpr int kFirstLeft = 250;
inline constexpr int kFirstTop = 250;
// The design place of the first thumbnail, which the walk never moves.
inline constexpr QPoint kElementZero{255, 240};

struct Layout {
    std::vector<QPoint> places;  // top left of every thumbnail, element 0 first
    int rowCount = 1;
};

// The places of `count` thumbnails on a sheet `sheetWidth` wide, row by row: a thumbnail that
// would not fit on the row starts the next one.
Layout thumbPositions(int count, float sheetWidth);

// Rows of the bar's height: the bar is as high as the screen, not the window.
float visibleRows(float barHeight);
// The scroll bar's range and page, rounded to nearest with halves to even; Max is never negative.
int scrollMax(int rowCount, float visibleRows);
int largeChange(float visibleRows);

}  // namespace thumbs
