// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "lines.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <limits>
// glibc's view of the processor, which GLIBC_TUNABLES can narrow for tests;
// its header is C that only GCC reads as C++.
#if __has_include(<sys/platform/x86.h>) && !defined(__clang__)
#include <smmintrin.h>
#include <sys/platform/x86.h>
#define VORLANE_ROUNDING_INSTRUCTIONS 1
#endif

namespace vorlane::sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A line whose run along an axis is below this share of its length counts as
// parallel to the other axis: its edges would cross the rows too far away.
constexpr double kParallel = 1e-9;

// The floor and the ceiling of v as an int, for v in the int range; cheaper
// than the library's calls. Plain versions: static_cast<int>(std::floor(v)),
// static_cast<int>(std::ceil(v)).
[[maybe_unused]] bool inIntRange(double v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

int floorOf(double v) {
    assert(inIntRange(v));
    const int i = static_cast<int>(v);
    return i - (i > v);
}

int ceilOf(double v) {
    assert(inIntRange(v));
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
// in stores that may overlap instead: a run shorter than four in single
// ones at its ends and its middle, a longer one in four-pixel ones at each
// end (which cover a run of four to eight, most runs of a wide pen) and
// between. A branch-free version that made both kinds of stores, those of
// no use to a spare place, took a twentieth longer with pen width 3 on an
// AMD EPYC, although a run's length there varies from row to row. Out of
// line: inline, it made the row loops slower.
[[gnu::noinline]] void fillRun(std::uint32_t* row, int first, int last, std::uint32_t pixel) {
    assert(first <= last);
    if (last - first < 3) {
        row[first] = pixel;
        row[first + (last - first) / 2] = pixel;
        row[last] = pixel;
        return;
    }
    const std::uint32_t four[4] = {pixel, pixel, pixel, pixel};
    std::memcpy(row + first, four, sizeof four);
    std::memcpy(row + last - 3, four, sizeof four);
    for (int x = first + 4; x < last - 3; x += 4)
        std::memcpy(row + x, four, sizeof four);
}

// Helpers that read the same for one row (double) and for two (Pair).
// The lesser and the greater, chosen as std::min and std::max choose them:
// where b is a NaN, both give a.
template <typename V> V lesser(V a, V b) {
    return b < a ? b : a;
}
template <typename V> V greater(V a, V b) {
    return a < b ? b : a;
}

#ifdef __SSE2__
// The same as one instruction each: minpd and maxpd give their second
// operand where the first is not less (or greater), as the above do.
Pair lesser(Pair a, Pair b) {
    return _mm_min_pd(b, a);
}
Pair greater(Pair a, Pair b) {
    return _mm_max_pd(b, a);
}
#endif
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Makes a and b NaNs, which lesser() and greater() pass over, where the
// interval [a, b] is empty. Plain version, for two rows: lane by lane,
// if (!(a <= b)) a = b = NaN; here their bits or'ed with those of the
// lanes where the test fails, all ones there: a NaN.
void emptyToNaN(double& a, double& b) {
    if (!(a <= b))
        a = b = kNaN;
}
void emptyToNaN(Pair& a, Pair& b) {
#ifdef __SSE2__
    const PairMask empty = (PairMask)_mm_cmpnle_pd(a, b);
#else
    const PairMask empty = ~(a <= b);
#endif
    a = (Pair)((PairMask)a | empty);
    b = (Pair)((PairMask)b | empty);
}
// floorOf() and ceilOf() for two values in [-1, INT_MAX], in plain SSE2
// arithmetic or with SSE4.1's rounding instruction: both exact, the latter
// in two steps instead of five. A row pair takes three, and the latter
// saves a twentieth of a drawing with a wide pen.
struct PlainRounding {
    static PairInt floorOf(Pair v) {
        const PairInt i = __builtin_convertvector(v, PairInt);
        return i +
               __builtin_convertvector(__builtin_convertvector(i, Pair) > v, PairInt); // -1 if true
    }
    static PairInt ceilOf(Pair v) {
        const PairInt i = __builtin_convertvector(v, PairInt);
        return i - __builtin_convertvector(__builtin_convertvector(i, Pair) < v, PairInt);
    }
};
#ifdef VORLANE_ROUNDING_INSTRUCTIONS
struct RoundingInstructions {
    [[gnu::target("sse4.1")]] static PairInt floorOf(Pair v) {
        return __builtin_convertvector(Pair(_mm_floor_pd(v)), PairInt);
    }
    [[gnu::target("sse4.1")]] static PairInt ceilOf(Pair v) {
        return __builtin_convertvector(Pair(_mm_ceil_pd(v)), PairInt);
    }
};
#endif

// What every line of a drawing shares: the pen's half width r and r * r
// (exact), how far beyond a line's ends it may colour a pixel, and the box
// within that reach of the picture.
struct Pen {
    explicit Pen(int penWidth, const PixelView& view)
        : r(penWidth / 2.0), rSquared(r * r), reach(penReach(penWidth)),
          box{-reach, -reach, view.width + reach, view.height + reach},
          reaches(Pair{} + reach), widths(Pair{} + view.width), tops(Pair{} + box.top),
          bottoms(Pair{} + box.bottom) {}

    // Whether the line lies in the box, and its ends the reach or more from
    // the picture's left and right edges, as most lines of a drawing: in
    // four comparisons of two lanes. Plain version:
    //     inBox(s, box) && std::min(s.x0, s.x1) - reach >= 0.0 &&
    //     std::max(s.x0, s.x1) + reach <= width
    // (x - reach >= 0 holds where x >= reach does, and a sum's rounding
    // keeps the order of its terms).
    bool amid(const PixelLine& s) const {
        const Pair xs{s.x0, s.x1}, ys{s.y0, s.y1};
        return (lanesWhere(xs >= reaches) & lanesWhere(xs + reaches <= widths) &
                lanesWhere(ys >= tops) & lanesWhere(ys <= bottoms)) == 3;
    }

    double r, rSquared, reach;
    Box box;
    Pair reaches, widths, tops, bottoms; // the same in both lanes
};

// A row's span, its x interval [lo, hi] (empty when lo > hi), and the
// stroke's open right edge less half a pixel, for one row or two.
template <typename V> struct RowSpan {
    V lo, hi, openEdge;
};

// The pen covers a stroke with round ends. The stroke is half open, its edge
// towards +x (towards +y for a level line) left out, so that a pen of width w
// covers w pixels across wherever the line lies; the round ends stay within
// the stroke. Each row is one run of pixels, since that shape is convex.
class Stroke {
public:
    // The line's ends copied one by one: copied whole, they were read two at
    // a time from where they had just been stored one at a time, which stalls.
    Stroke(const PixelLine& s, double length, const Pen& pen)
        : s_{s.x0, s.y0, s.x1, s.y1}, r_(pen.r), rSquared_(pen.rSquared), dy_(s.y1 - s.y0),
          length_(length), lengthSquared_(length * length) {
        const double dx = s.x1 - s.x0;
        notVertical_ = std::fabs(dx) > kParallel * length;
        notHorizontal_ = std::fabs(dy_) > kParallel * length;
        // Four quotients in two divisions of two lanes, each lane rounding as
        // one division does: -dy / dx, length^2 / dx, dx / dy, r * length / dy.
        // A lane that divides by 0 is not used.
        const Pair alongs = Pair{-dy_, lengthSquared_} / dx;
        const Pair acrosses = Pair{dx, r_ * length} / dy_;
        alongPerY_ = notVertical_ ? alongs[0] : 0.0;
        alongEnd_ = notVertical_ ? alongs[1] : 0.0;
        acrossPerY_ = notHorizontal_ ? acrosses[0] : 0.0;
        acrossHalf_ = notHorizontal_ ? std::fabs(acrosses[1]) : 0.0;
    }

    // Whether both of the stroke's edges cross every row: the line has a
    // length and is neither level nor upright, as most lines of a drawing.
    bool slanted() const { return length_ > 0.0 && notVertical_ && notHorizontal_; }

    // Rows first to last whose centres lie within r of the line's height,
    // for a line within the pen's reach of the picture (Pen::box): some may
    // lie outside the picture, and the caller holds them to its band.
    int firstRow() const { return ceilOf(std::min(s_.y0, s_.y1) - r_ - 0.5); }
    int lastRow() const {
        const int last = floorOf(std::max(s_.y0, s_.y1) + r_ - 0.5);
        if (notHorizontal_)
            return last;
        // the stroke's lower edge: rows whose centres lie below y0 + r
        return std::min(last, ceilOf(s_.y0 + r_ - 0.5) - 1);
    }

    // The span of the row (or rows) whose centre lies at yc, joined to
    // [lo, hi], which may be empty; kSlanted when slanted(), which folds the
    // checks for other lines away.
    template <bool kSlanted, typename V> RowSpan<V> at(V yc, V lo, V hi) const {
        // Adds [a, b] to the span unless it is empty (a NaN counts as empty).
        const auto join = [&](V a, V b) {
            emptyToNaN(a, b);
            lo = lesser(lo, a);
            hi = greater(hi, b);
        };
        // The round ends, where the row's centre lies within r of theirs.
        // Elsewhere the root is a NaN: r * r is exact, and where |off| > r,
        // off exceeds r by an ulp at least, so that off * off exceeds r * r
        // by more than an ulp of it and rounds above it.
        for (const auto& [cx, cy] : {std::pair{s_.x0, s_.y0}, std::pair{s_.x1, s_.y1}}) {
            const V off = yc - cy;
            const V half = root(rSquared_ - off * off);
            lo = lesser(lo, cx - half);
            hi = greater(hi, cx + half);
        }
        // The stroke across the line, as x offsets from x0 that move by a
        // fixed amount from row to row; its right edge is open.
        const V t = yc - s_.y0;
        const V centre = t * acrossPerY_;
        V strokeLo = centre - acrossHalf_, strokeHi = centre + acrossHalf_;
        if constexpr (!kSlanted) {
            // An edge parallel to the rows admits a row whole or not at all.
            if (!notHorizontal_) {
                strokeLo = -kInfinity;
                strokeHi = kInfinity;
            }
            const bool crosses =
                length_ > 0.0 && (notHorizontal_ || std::fabs(t) <= r_) &&
                (notVertical_ || (t * dy_ >= 0.0 && t * dy_ <= lengthSquared_));
            if (!crosses || !notVertical_) {
                if (crosses)
                    join(s_.x0 + strokeLo, s_.x0 + strokeHi);
                return {lo, hi, s_.x0 + strokeHi - 0.5};
            }
        }
        // ... and along it, from the projection's 0 to its end.
        const V a = t * alongPerY_, b = a + alongEnd_;
        join(s_.x0 + greater(strokeLo, lesser(a, b)), s_.x0 + lesser(strokeHi, greater(a, b)));
        return {lo, hi, s_.x0 + strokeHi - 0.5};
    }

private:
    PixelLine s_;
    double r_, rSquared_;
    double dy_, length_, lengthSquared_;
    bool notVertical_, notHorizontal_;
    double alongPerY_, alongEnd_; // where the projection on the line is 0 and its end
    double acrossPerY_, acrossHalf_; // where the distance from the line is 0, and r
};

// Row by row: pixels whose centres lie in the span, left of the stroke's
// right edge, held to the picture. Out of line, as the lines that need it
// are few: inline, it made the common loop slower.
template <bool kSlanted>
[[gnu::noinline]] void drawRows(const PixelView& view, const Stroke& stroke, int firstRow,
                                int lastRow, std::uint32_t pixel) {
    std::uint32_t* rowPixels = view.pixels + firstRow * view.stride;
    for (int row = firstRow; row <= lastRow; ++row, rowPixels += view.stride) {
        const RowSpan<double> span = stroke.at<kSlanted>(row + 0.5, kInfinity, -kInfinity);
        if (!(span.lo <= span.hi))
            continue;
        const int first = std::max(0, ceilWithin(span.lo - 0.5, view.width));
        const int last = std::min({view.width - 1, floorWithin(span.hi - 0.5, view.width),
                                   ceilWithin(span.openEdge, view.width) - 1});
        if (first <= last)
            fillRun(rowPixels, first, last, pixel);
    }
}

// The same two rows at a time, for a slanted line that lies a pixel more than
// the pen's half width from the picture's left and right edges: its spans do
// too (but for roundings far below a pixel), so only the open edge needs
// holding to the picture. The spans start from [width + 1, -1] instead of
// the empty [+inf, -inf]: a row that stays empty gets no run either, and no
// other changes. Always inline, so that the stroke stays in registers.
template <typename Rounding>
[[gnu::always_inline]] inline void drawRowPairs(const PixelView& view, const Pen& pen,
                                                const Stroke& stroke, int firstRow, int lastRow,
                                                std::uint32_t pixel) {
    // Copies: GCC cannot rule out that a store to the pixels changes the view.
    std::uint32_t* const pixels = view.pixels;
    [[maybe_unused]] const int widthPixels = view.width;
    const std::ptrdiff_t stride = view.stride;
    const Pair width = pen.widths;
    const Pair none = Pair{} - 1.0;
    Pair centres = Pair{firstRow + 0.5, firstRow + 1.5}; // exact: halves of ints
    std::ptrdiff_t offset = firstRow * stride; // of the row in the pixels
    for (int row = firstRow; row <= lastRow; row += 2, centres += 2.0, offset += 2 * stride) {
        const RowSpan<Pair> span = stroke.at<true>(centres, width + 1.0, none);
        const PairInt first = Rounding::ceilOf(span.lo - 0.5);
        const PairInt last =
            lesser(Rounding::floorOf(span.hi - 0.5),
                   Rounding::ceilOf(lesser(greater(span.openEdge, none), width)) - 1);
        std::uint32_t* const rowPixels = pixels + offset;
        assert(first[0] > last[0] || (first[0] >= 0 && last[0] < widthPixels));
        if (first[0] <= last[0])
            fillRun(rowPixels, first[0], last[0], pixel);
        assert(first[1] > last[1] || (first[1] >= 0 && last[1] < widthPixels));
        if (row < lastRow && first[1] <= last[1])
            fillRun(rowPixels + stride, first[1], last[1], pixel);
    }
}

// A line within the pen's reach of the picture; kAmid when Pen::amid()
// holds for it.
template <bool kAmid, typename Rounding>
[[gnu::always_inline]] inline void drawReachingLine(const PixelView& view, const PixelLine& s,
                                                    const Pen& pen, std::uint32_t pixel,
                                                    RowBand band) {
    const double dx = s.x1 - s.x0;
    const double dy = s.y1 - s.y0;
    const double squared = dx * dx + dy * dy; // within the reach: no overflow
    if (!(squared >= 0.0)) // never: leaves out the library's call that would set errno
        __builtin_unreachable();
    const double length = std::sqrt(squared);
    const Stroke stroke(s, length, pen);
    const int firstRow = std::max(band.first, stroke.firstRow());
    const int lastRow = std::min(band.end - 1, stroke.lastRow());
    if (stroke.slanted() && (kAmid || pen.amid(s)))
        drawRowPairs<Rounding>(view, pen, stroke, firstRow, lastRow, pixel);
    else if (stroke.slanted())
        drawRows<true>(view, stroke, firstRow, lastRow, pixel);
    else
        drawRows<false>(view, stroke, firstRow, lastRow, pixel);
}

// Any other line, with its far-away ends cut off first; what is cut lies
// wholly outside the picture. Out of line, and mapped anew from the line as
// given, so that the common case need not keep its line in memory for clip().
// Rare enough for the plain rounding.
[[gnu::noinline]] void drawOtherLine(const PixelView& view, const PixelMapping& mapping,
                                     const ColouredLine& line, const Pen& pen, std::uint32_t pixel,
                                     RowBand band) {
    PixelLine s = mapping(line);
    if (inBox(s, pen.box) || clip(s, pen.box))
        drawReachingLine<false, PlainRounding>(view, s, pen, pixel, band);
}

// How many lines ahead the pixels of a line are asked for: far enough for
// memory to answer before the line is drawn.
constexpr std::size_t kFetchAhead = 4;

// Asks the cache for the rows that a line's pixels near its far end lie in,
// where they lie in the band: its pixels near the near end are mostly those
// of the line before, a scratch's previous piece. Only a hint, which changes
// no pixel. The picture is larger than the processor's own cache, so that
// without it a wide pen's stores wait on memory: with it, pen width 3 drew
// a tenth faster on one thread on an AMD EPYC (on two, no change beyond
// the noise).
void fetchFarEnd(const PixelView& view, const PixelMapping& mapping, const ColouredLine& line,
                 const Pen& pen, RowBand band) {
    const PixelLine s = mapping(line);
    const double x = s.x1, y = s.y1;
    if (!(x >= 0.0 && x < view.width && y >= band.first + pen.reach && y + pen.reach < band.end))
        return;
    const int column = static_cast<int>(x), last = static_cast<int>(y + pen.reach);
    for (int row = static_cast<int>(y - pen.reach); row <= last; ++row)
        __builtin_prefetch(view.pixels + row * view.stride + column, 1);
}

// The lines in order that `reaches`, row pairs rounded with Rounding, each
// with the pixels of the line kFetchAhead on asked for: only a line drawn
// asks, as the next lines of a band lie mostly where its last one did, and
// the others' looking ahead would cost without use. This and what it calls
// for the lines amid the picture are always inline, so that they take the
// instruction set of the function they are inlined into.
template <typename Rounding, typename Reaches>
[[gnu::always_inline]] inline void drawEach(const PixelView& view, const PixelMapping& mapping,
                                            std::span<const ColouredLine> lines, const Pen& pen,
                                            RowBand band, const Reaches& reaches) {
    PixelOfColour pixelOf;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const ColouredLine& line = lines[k];
        if (!reaches(line))
            continue;
        if (k + kFetchAhead < lines.size())
            fetchFarEnd(view, mapping, lines[k + kFetchAhead], pen, band);
        const PixelLine pixels = mapping(line);
        if (pen.amid(pixels))
            drawReachingLine<true, Rounding>(view, pixels, pen, pixelOf(line.colour), band);
        else
            drawOtherLine(view, mapping, line, pen, pixelOf(line.colour), band);
    }
}

// Every line reaches the whole picture; a band, the lines that BandReach
// lets through. Apart, as the band's test in the common loop made a
// drawing with a wide pen on one thread slower by a twentieth.
template <typename Rounding>
[[gnu::always_inline]] inline void drawAll(const PixelView& view, const PixelMapping& mapping,
                                           std::span<const ColouredLine> lines, int penWidth,
                                           RowBand band) {
    const Pen pen(penWidth, view);
    if (band.first == 0 && band.end == view.height)
        drawEach<Rounding>(view, mapping, lines, pen, band, [](const ColouredLine&) { return true; });
    else
        drawEach<Rounding>(view, mapping, lines, pen, band, BandReach(mapping, band, pen.reach));
}

#ifdef VORLANE_ROUNDING_INSTRUCTIONS
// drawAll() with everything it takes inline compiled for SSE4.1.
[[gnu::target("sse4.1")]] void drawAllRounding(const PixelView& view, const PixelMapping& mapping,
                                               std::span<const ColouredLine> lines, int penWidth,
                                               RowBand band) {
    drawAll<RoundingInstructions>(view, mapping, lines, penWidth, band);
}
#endif

} // namespace

void drawWideLines(const PixelView& view, const PixelMapping& mapping,
                   std::span<const ColouredLine> lines, int penWidth, RowBand band) {
    assert(penWidth > 1);
    assert(0 <= band.first && band.first < band.end && band.end <= view.height);
#ifdef VORLANE_ROUNDING_INSTRUCTIONS
    if (CPU_FEATURE_ACTIVE(SSE4_1))
        return drawAllRounding(view, mapping, lines, penWidth, band);
#endif
    drawAll<PlainRounding>(view, mapping, lines, penWidth, band);
}

} // namespace vorlane::sim
