// Showing the 480 x 272 frame enlarged in a larger screen area (a window at
// 2x, full screen): the game draws as ever into the area's bottom-left
// 480 x 272 corner, and only the frame shown is enlarged.
#pragma once

#include <cstdint>

// Where the enlarged frame goes in an area of areaWidth x areaHeight device
// pixels: each game pixel an exact scale x scale block, the picture centred
// (left and top margins, rounded down). `scale` is 0 when the area is not
// larger than the frame (or smaller in one direction): the frame is shown
// as drawn.
struct ZoomPlacement {
    int32_t scale;
    int32_t left;
    int32_t top;
};
ZoomPlacement zoomPlacement(int32_t areaWidth, int32_t areaHeight);

// When screenAreaWidth x screenAreaHeight calls for it, shows the frame drawn
// in the back buffer enlarged: copies it into a texture of its own, draws it
// as one quad with nearest sampling on black, swaps, and draws it back into
// the new back buffer's corner, so that the drawing buffer holds the frame
// after the swap as it does without enlarging. Every GL state it touches is
// put back. False (and nothing done) when the frame is shown as drawn: the
// caller swaps.
bool swapEnlarged();
