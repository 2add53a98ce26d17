// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "lines.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>


namespace vorlane::sim {

namespace {

// The rows of a band as a stretch of memory.
class BandPixels {
public:
    BandPixels(const PixelView& view, RowBand band)
        : first_(view.pixels + band.first * view.stride),
          size_(static_cast<std::size_t>((band.end - band.first) * view.stride)) {}

    // Whether the pixel lies in the band. Plain version:
    //     return p >= first_ && p < first_ + size_;
    // one unsigned comparison instead, as a pixel below first_ wraps round to
    // a large offset.
    bool holds(const std::uint32_t* p) const {
        return static_cast<std::size_t>(p - first_) < size_;
    }

private:
    const std::uint32_t* first_;
    std::size_t size_;
};

// Bresenham's path between two pixels: every step moves one pixel along the
// longer axis, and one along the shorter as well when the error says so, so
// the path has a known length.
class Path {
public:
    Path(const PixelView& view, int x, int y, int xEnd, int yEnd) {
        const int alongX = std::abs(xEnd - x), alongY = std::abs(yEnd - y);
        const bool xLonger = alongX >= alongY;
        steps_ = std::max(alongX, alongY);
        const std::ptrdiff_t shorter = std::min(alongX, alongY);
        // The plain version's error starts at steps - shorter.
        error_ = steps_ - 2 * shorter - 1;
        twiceSteps_ = 2 * std::ptrdiff_t{steps_};
        twiceShorter_ = 2 * shorter;
        const std::ptrdiff_t stepX = x < xEnd ? 1 : -1;
        const std::ptrdiff_t stepY = y < yEnd ? view.stride : -view.stride;
        longerStep_ = xLonger ? stepX : stepY;
        shorterStep_ = xLonger ? stepY : stepX;
    }

    int steps() const { return steps_; }

    // Moves p to the next pixel of the path. Plain version, with err the
    // error of the plain version:
    //     p += longerStep_;
    //     if (2 * err <= steps) {
    //         p += shorterStep_;
    //         err += steps;
    //     }
    //     err -= shorter;
    // with masks instead: short lines would mispredict that branch, and a
    // compiler may turn a choice back into one. error_ holds
    // 2 * err - steps - 1, which is negative just when 2 * err <= steps, so
    // its sign is the mask.
    void advance(std::uint32_t*& p) {
        const std::ptrdiff_t both = error_ >> 63; // all ones or zero
        error_ += (twiceSteps_ & both) - twiceShorter_;
        p += longerStep_ + (shorterStep_ & both);
    }

private:
    int steps_ = 0; // along the longer axis
    std::ptrdiff_t error_ = 0;
    std::ptrdiff_t twiceSteps_ = 0, twiceShorter_ = 0;
    std::ptrdiff_t longerStep_ = 0, shorterStep_ = 0;
};
static_assert(sizeof(std::ptrdiff_t) == 8, "advance() takes the sign from bit 63");

// Every pixel of the path, both ends included; those outside the band only
// when the path may leave it.
template <bool kMayLeaveBand>
void walk(Path path, std::uint32_t* p, std::uint32_t pixel, const BandPixels& bandPixels) {
    for (int left = path.steps();; --left) {
        if (!kMayLeaveBand || bandPixels.holds(p))
            *p = pixel;
        if (left == 0)
            break;
        path.advance(p);
    }
}

// The pixels that a line's ends lie in: columns x, xEnd and rows y, yEnd; x
// is kNoPixel where nothing of the line lies in the picture. Small enough to
// be returned in registers.
struct EndPixels {
    int x, y, xEnd, yEnd;
};
constexpr int kNoPixel = -1;

// Those of a line that does not lie inside the picture, once it is cut to it.
// Out of line, and from the line as given, so that the common case need not
// keep its values in memory for it.
[[gnu::noinline]] EndPixels cutEnds(const PixelView& view, const PixelMapping& mapping,
                                    const ColouredLine& line) {
    PixelLine s = mapping(line);
    if (!clip(s, {0.0, 0.0, static_cast<double>(view.width), static_cast<double>(view.height)}))
        return {kNoPixel, 0, 0, 0};
    // A point on the far edge belongs to the last pixel.
    const auto column = [&](double v) { return std::min(static_cast<int>(v), view.width - 1); };
    const auto row = [&](double v) { return std::min(static_cast<int>(v), view.height - 1); };
    return {column(s.x0), row(s.y0), column(s.x1), row(s.y1)};
}

// Those of the line s, mapped from `line`. Where both ends lie in
// [0, width) x [0, height), plain version {int(s.x0), int(s.y0), int(s.x1),
// int(s.y1)}, with an end's x and y tested and truncated at once in the lanes
// of a Pair.
EndPixels endPixels(const PixelView& view, const PixelMapping& mapping, const ColouredLine& line,
                    const PixelLine& s) {
    const Pair start = {s.x0, s.y0}, end = {s.x1, s.y1};
    const Pair size = {static_cast<double>(view.width), static_cast<double>(view.height)};
    if ((lanesWhere(start >= 0.0) & lanesWhere(start < size) & lanesWhere(end >= 0.0) &
         lanesWhere(end < size)) != 3) [[unlikely]]
        return cutEnds(view, mapping, line);
    const PairInt first = __builtin_convertvector(start, PairInt);
    const PairInt last = __builtin_convertvector(end, PairInt);
    return {first[0], first[1], last[0], last[1]};
}

// kWholePicture: the band holds every row, so every line lies in it.
template <bool kWholePicture>
void drawThinLine(const PixelView& view, const EndPixels& e, std::uint32_t pixel, RowBand band,
                  const BandPixels& bandPixels) {
    if (e.x == kNoPixel)
        return;
    const Path path(view, e.x, e.y, e.xEnd, e.yEnd);
    std::uint32_t* const start = view.pixels + e.y * view.stride + e.x;
    if (kWholePicture)
        return walk<false>(path, start, pixel, bandPixels);
    const int top = std::min(e.y, e.yEnd), bottom = std::max(e.y, e.yEnd);
    if (bottom < band.first || top >= band.end)
        return;
    if (top >= band.first && bottom < band.end)
        walk<false>(path, start, pixel, bandPixels);
    else
        walk<true>(path, start, pixel, bandPixels);
}

// The lines that `reaches` lets through. The view and the mapping by value:
// held in registers, as a pixel stored could change them for all the
// compiler knows were they in memory.
template <bool kWholePicture, typename Reaches>
void drawInBand(const PixelView view, const PixelMapping mapping,
                std::span<const ColouredLine> lines, RowBand band, const Reaches& reaches) {
    const BandPixels bandPixels(view, band);
    PixelOfColour pixelOf;
    for (const ColouredLine& line : lines) {
        if (reaches(line))
            drawThinLine<kWholePicture>(view, endPixels(view, mapping, line, mapping(line)),
                                        pixelOf(line.colour), band, bandPixels);
    }
}

} // namespace

void drawThinLines(const PixelView& view, const PixelMapping& mapping,
                   std::span<const ColouredLine> lines, RowBand band) {
    assert(0 <= band.first && band.first < band.end && band.end <= view.height);
    if (band.first == 0 && band.end == view.height)
        drawInBand<true>(view, mapping, lines, band, [](const ColouredLine&) { return true; });
    else
        drawInBand<false>(view, mapping, lines, band, BandReach(mapping, band, penReach(1)));
}

} // namespace vorlane::sim
