#pragma once

namespace show {

// Where a picture goes on the show window: its natural size scaled by the smaller of the two
// fitting ratios (the width's on a tie; no upper bound, so small pictures are enlarged), then
// centred. Single-precision twips throughout, each step rounded as the window services hold
// the values, so the result is exactly what the controls read back.
struct Placement {
    float left;
    float top;
    float width;
    float height;
};

// The natural width at the control's height: the ratio at full precision, rounded once.
float naturalWidthAtHeight(float naturalWidth, float naturalHeight, float height);

Placement fitAndCentre(float width, float height, float windowWidth, float windowHeight);

}  // namespace show
