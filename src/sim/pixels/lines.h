// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pixels of one line, in pixel coordinates: thin lines (one pixel wide),
// wide lines, and the cut of a line to a box that both use. A line is drawn
// only into the rows of a thread's band, and the band decides nothing else,
// so every split into bands draws the same pixels.

#include "canvas.h"
#include "sim/maths/lanes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorlane::sim {

// 32-bit pixels 0xffRRGGBB, rows stride pixels apart.
struct PixelView {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// The pixel of a colour value.
constexpr std::uint32_t toPixel(Colour colour) {
    const auto c = static_cast<std::uint32_t>(colour);
    return 0xff000000u | (c & 0xffu) << 16 | (c & 0xff00u) | (c >> 16 & 0xffu);
}

// The pixel of each line's colour in turn, made anew only when the colour
// changes: lines in a row mostly share theirs (every unlit segment has the
// scratch grey).
class PixelOfColour {
public:
    std::uint32_t operator()(Colour colour) {
        if (colour != colour_) {
            colour_ = colour;
            pixel_ = toPixel(colour);
        }
        return pixel_;
    }

private:
    Colour colour_ = 0;
    std::uint32_t pixel_ = toPixel(0);
};

// A line in its own colour, in user coordinates.
struct ColouredLine {
    float x1, y1, x2, y2;
    Colour colour;
};

// The rows first to end - 1 of the drawing area.
struct RowBand {
    int first = 0;
    int end = 0;
};

// A line from (x0, y0) to (x1, y1) in pixel units: (0, 0) is the top-left
// corner of the top-left pixel, whose centre is (0.5, 0.5).
struct PixelLine {
    double x0, y0, x1, y1;
};

// User coordinates to pixels: the one place where they are mapped.
struct PixelMapping {
    double left = 0.0, top = 0.0; // the user coordinates of the left and top edges
    double scaleX = 1.0, scaleY = 1.0; // pixels a user unit

    PixelLine operator()(const ColouredLine& line) const {
        return {(static_cast<double>(line.x1) - left) * scaleX,
                (static_cast<double>(line.y1) - top) * scaleY,
                (static_cast<double>(line.x2) - left) * scaleX,
                (static_cast<double>(line.y2) - top) * scaleY};
    }
};

// The box [left, right] x [top, bottom].
struct Box {
    double left, top, right, bottom;
};

// Whether both ends lie in the box, so that clip() would leave the line as it
// is: a few comparisons, where most lines of a drawing need no cut.
inline bool inBox(const PixelLine& s, const Box& box) {
    return s.x0 >= box.left && s.x0 <= box.right && s.y0 >= box.top && s.y0 <= box.bottom &&
           s.x1 >= box.left && s.x1 <= box.right && s.y1 >= box.top && s.y1 <= box.bottom;
}

// Cuts the line to the box; false when nothing of it lies inside.
bool clip(PixelLine& line, const Box& box);

// How far beyond a line's ends, in pixels, a pen of this width may colour a
// pixel: half the width, and a pixel more for the rounding to whole pixels.
constexpr double penReach(int penWidth) {
    return penWidth / 2.0 + 1.0;
}

// Whether a line drawn with a pen of that reach may have pixels in the band:
// rows beyond its ends by more than the reach hold none of it.
inline bool mayReach(const PixelLine& line, RowBand band, double reach) {
    return std::max(line.y0, line.y1) >= band.first - reach &&
           std::min(line.y0, line.y1) < band.end + reach;
}

// mayReach() for lines before they are mapped, from their heights in user
// units alone: the mapping keeps or reverses the order of heights, so that
// each of its two comparisons holds from one height on, or up to one, which
// the constructor finds. Where a height is a NaN, the test gives what
// mayReach() gives, as both take the least and the greatest end alike.
class BandReach {
public:
    BandReach(const PixelMapping& mapping, RowBand band, double reach);

    bool operator()(const ColouredLine& line) const {
        const float low = std::min(line.y1, line.y2), high = std::max(line.y1, line.y2);
        if (rising_)
            return high >= top_ && !(low >= bottom_);
        if (falling_)
            return low <= top_ && !(high <= bottom_);
        return mayReach(mapping_(line), band_, reach_);
    }

private:
    PixelMapping mapping_;
    RowBand band_;
    double reach_;
    // Whether rows grow with heights, or shrink; neither where the scale is
    // 0, or it or the top is infinite or not a number: mayReach() decides.
    bool rising_ = false, falling_ = false;
    // The heights whose rows reach the band's first row less the reach, and
    // its end plus the reach: the least of them where rows grow, the
    // greatest where they shrink; NaN where no height's row does.
    float top_ = 0.0f, bottom_ = 0.0f;
};

// The lines in order, each in its colour, in the rows of the band, which lie
// in the picture. Thin lines cover the pixels they pass through, both ends
// included; wide ones the pixels whose centres lie within half the pen width.
void drawThinLines(const PixelView& view, const PixelMapping& mapping,
                   std::span<const ColouredLine> lines, RowBand band);
void drawWideLines(const PixelView& view, const PixelMapping& mapping,
                   std::span<const ColouredLine> lines, int penWidth, RowBand band);

} // namespace vorlane::sim
