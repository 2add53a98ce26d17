#pragma once

// The pixels of one line, in pixel coordinates: thin lines (one pixel wide),
// wide lines, and the cut of a line to a box that both use. A line is drawn
// only into the rows of a thread's band, and the band decides nothing else,
// so every split into bands draws the same pixels.

#include "raster.h"

#include <cstdint>

namespace vorlane::sim {

// A line from (x0, y0) to (x1, y1) in pixel units: (0, 0) is the top-left
// corner of the top-left pixel, whose centre is (0.5, 0.5).
struct PixelLine {
    double x0, y0, x1, y1;
};

// The box [left, right] x [top, bottom].
struct Box {
    double left, top, right, bottom;
};

// Cuts the line to the box; false when nothing of it lies inside.
bool clip(PixelLine& line, const Box& box);

// The pixels the line passes through, both ends included.
void drawThinLine(const PixelView& view, PixelLine line, std::uint32_t pixel, RowBand band);

// The pixels whose centres lie within half the pen width of the line.
void drawWideLine(const PixelView& view, PixelLine line, int penWidth, std::uint32_t pixel,
                  RowBand band);

// How far beyond a line's ends, in pixels, a pen of this width may colour a
// pixel: half the width, and a pixel more for the rounding to whole pixels.
constexpr double penReach(int penWidth) {
    return penWidth / 2.0 + 1.0;
}

} // namespace vorlane::sim
