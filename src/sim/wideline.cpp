#include "lines.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

namespace vorlane::sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A line whose run along an axis is below this share of its length counts as
// parallel to the other axis: its edges would cross the rows too far away.
constexpr double kParallel = 1e-9;

// The x interval [lo, hi] of a row; empty when lo > hi.
struct Span {
    double lo = kInfinity;
    double hi = -kInfinity;

    void join(double a, double b) {
        if (a <= b) {
            lo = std::min(lo, a);
            hi = std::max(hi, b);
        }
    }
};

// The floor and the ceiling of v as an int, for v in [-1, INT_MAX]; cheaper
// than the library's calls. Plain versions: static_cast<int>(std::floor(v)),
// static_cast<int>(std::ceil(v)).
int floorOf(double v) {
    assert(v >= -1.0 && v <= std::numeric_limits<int>::max());
    const int i = static_cast<int>(v);
    return i - (i > v);
}

int ceilOf(double v) {
    assert(v >= -1.0 && v <= std::numeric_limits<int>::max());
    const int i = static_cast<int>(v);
    return i + (i < v);
}

// The same for any v, first held to [-1, limit] so that the conversion
// cannot overflow.
int floorWithin(double v, int limit) {
    return floorOf(std::clamp(v, -1.0, static_cast<double>(limit)));
}

int ceilWithin(double v, int limit) {
    return ceilOf(std::clamp(v, -1.0, static_cast<double>(limit)));
}

// Pixels first to last of a row. Plain version:
//     std::fill(row + first, row + last + 1, pixel);
// in stores of four pixels that may overlap instead: a run of four to eight
// (most runs of a wide pen) in two stores, one at each end, and a run shorter
// than four in three, the surplus ones on its last pixel. A loop over a few
// pixels would mispredict its end on nearly every run.
void fillRun(std::uint32_t* row, int first, int last, std::uint32_t pixel) {
    assert(first <= last);
    const std::uint32_t four[4] = {pixel, pixel, pixel, pixel};
    if (last - first >= 3) {
        std::memcpy(row + first, four, sizeof four);
        std::memcpy(row + last - 3, four, sizeof four);
        for (int x = first + 4; x < last - 3; x += 4)
            std::memcpy(row + x, four, sizeof four);
    } else {
        for (int i = 0; i < 3; ++i)
            row[std::min(first + i, last)] = pixel;
    }
}

// The pen's round end about (cx, cy): joins its cut through the row whose
// centre lies at yc to the span.
struct PenEnd {
    double cx, cy;
    double r, rSquared;

    void addRow(double yc, Span& span) const {
        const double off = yc - cy;
        if (std::fabs(off) <= r) {
            // off * off <= r * r here: the root is real, and the library's
            // call for a negative number (to set errno) can be left out.
            const double square = rSquared - off * off;
            if (!(square >= 0.0))
                __builtin_unreachable();
            const double half = std::sqrt(square);
            // An interval never empty: join() without its test.
            span.lo = std::min(span.lo, cx - half);
            span.hi = std::max(span.hi, cx + half);
        }
    }
};

// The pen covers a stroke with round ends. The stroke is half open, its edge
// towards +x (towards +y for a level line) left out, so that a pen of width w
// covers w pixels across wherever the line lies; the round ends stay within
// the stroke. Each row is one run of pixels, since that shape is convex.
//
// kSlanted: the line has a length and is neither level nor upright, so both
// of the stroke's edges cross every row; the checks for the other cases then
// fold away, which matters as most lines of a drawing are slanted.
// kAmidColumns: the line lies a pixel more than the pen's half width from the
// picture's left and right edges, so a row's span does too (but for
// roundings far below a pixel) and needs holding to the picture neither
// before nor after it is turned into pixels.
template <bool kSlanted, bool kAmidColumns>
void drawStroke(const PixelView& view, const PixelLine& s, double length, int penWidth,
                std::uint32_t pixel, RowBand band) {
    const double r = penWidth / 2.0;
    const double dx = s.x1 - s.x0;
    const double dy = s.y1 - s.y0;
    const double lengthSquared = length * length;
    // The stroke's edges along and across the line, as x offsets from x0 that
    // move by a fixed amount from row to row; an edge parallel to the rows
    // instead admits a row whole or not at all.
    const bool notVertical = kSlanted || std::fabs(dx) > kParallel * length;
    const bool notHorizontal = kSlanted || std::fabs(dy) > kParallel * length;
    const double alongPerY = notVertical ? -dy / dx : 0.0; // where the projection is 0
    const double alongEnd = notVertical ? lengthSquared / dx : 0.0;
    const double acrossPerY = notHorizontal ? dx / dy : 0.0; // where the distance is 0
    const double acrossHalf = notHorizontal ? std::fabs(r * length / dy) : 0.0;
    const PenEnd ends[2] = {{s.x0, s.y0, r, r * r}, {s.x1, s.y1, r, r * r}};

    // Rows whose centres lie within r of the line's height, in the band.
    const int firstRow =
        std::max(band.first, ceilWithin(std::min(s.y0, s.y1) - r - 0.5, view.height));
    int lastRow = std::min(band.end - 1, floorWithin(std::max(s.y0, s.y1) + r - 0.5, view.height));
    if (!notHorizontal) // the stroke's lower edge: rows whose centres lie below y0 + r
        lastRow = std::min(lastRow, ceilWithin(s.y0 + r - 0.5, view.height) - 1);
    std::uint32_t* rowPixels = view.pixels + firstRow * view.stride;
    double yc = firstRow + 0.5; // the row's centre; whole numbers and halves add exactly
    for (int row = firstRow; row <= lastRow; ++row, rowPixels += view.stride, yc += 1.0) {
        Span span;
        ends[0].addRow(yc, span);
        ends[1].addRow(yc, span);
        const double t = yc - s.y0;
        // The stroke across the line, as x offsets from x0; its right edge is open.
        const double centre = t * acrossPerY;
        const double strokeLo = notHorizontal ? centre - acrossHalf : -kInfinity;
        const double strokeHi = notHorizontal ? centre + acrossHalf : kInfinity;
        if (kSlanted || (length > 0.0 && (notHorizontal || std::fabs(t) <= r) &&
                         (notVertical || (t * dy >= 0.0 && t * dy <= lengthSquared)))) {
            double lo = strokeLo, hi = strokeHi;
            if (notVertical) {
                const double a = t * alongPerY, b = a + alongEnd;
                lo = std::max(lo, std::min(a, b));
                hi = std::min(hi, std::max(a, b));
            }
            span.join(s.x0 + lo, s.x0 + hi);
        }
        if (!(span.lo <= span.hi))
            continue;
        // Pixels whose centres lie in the span, left of the stroke's right edge.
        const int openEdge = ceilWithin(s.x0 + strokeHi - 0.5, view.width) - 1;
        int first, last;
        if (kAmidColumns) {
            first = ceilOf(span.lo - 0.5);
            last = std::min(floorOf(span.hi - 0.5), openEdge);
            assert(first >= 0 && last < view.width);
        } else {
            first = std::max(0, ceilWithin(span.lo - 0.5, view.width));
            last = std::min({view.width - 1, floorWithin(span.hi - 0.5, view.width), openEdge});
        }
        if (first <= last)
            fillRun(rowPixels, first, last, pixel);
    }
}

void drawWideLine(const PixelView& view, PixelLine s, int penWidth, std::uint32_t pixel,
                  RowBand band) {
    const double margin = penReach(penWidth);
    // Cut far-away ends off first; what is cut lies wholly outside the picture.
    const Box reach{-margin, -margin, view.width + margin, view.height + margin};
    if (!inBox(s, reach) && !clip(s, reach))
        return;
    const double dx = s.x1 - s.x0;
    const double dy = s.y1 - s.y0;
    const double length = std::sqrt(dx * dx + dy * dy); // cut short above: no overflow
    const bool slanted =
        length > 0.0 && std::fabs(dx) > kParallel * length && std::fabs(dy) > kParallel * length;
    const bool amidColumns = std::min(s.x0, s.x1) - margin >= 0.0 &&
                             std::max(s.x0, s.x1) + margin <= view.width;
    if (slanted && amidColumns)
        drawStroke<true, true>(view, s, length, penWidth, pixel, band);
    else if (slanted)
        drawStroke<true, false>(view, s, length, penWidth, pixel, band);
    else
        drawStroke<false, false>(view, s, length, penWidth, pixel, band);
}

} // namespace

void drawWideLines(const PixelView& view, const PixelMapping& mapping,
                   std::span<const ColouredLine> lines, int penWidth, RowBand band) {
    assert(penWidth > 1);
    assert(0 <= band.first && band.first < band.end && band.end <= view.height);
    const double reach = penReach(penWidth);
    for (const ColouredLine& line : lines) {
        const PixelLine pixels = mapping(line);
        if (mayReach(pixels, band, reach))
            drawWideLine(view, pixels, penWidth, toPixel(line.colour), band);
    }
}

} // namespace vorlane::sim
