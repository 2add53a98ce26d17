#include "raster.h"

#include "errors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vorlane::sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Segment {
    double x0, y0, x1, y1;
};

bool finite(const Segment& s) {
    return std::isfinite(s.x0) && std::isfinite(s.y0) && std::isfinite(s.x1) && std::isfinite(s.y1);
}

// Cuts the segment to the box [xMin, xMax] x [yMin, yMax] (Cohen-Sutherland);
// false when nothing of it lies inside. A cut end lands exactly on the edge it
// crosses, so lines from far away keep their place.
bool clip(Segment& s, double xMin, double yMin, double xMax, double yMax) {
    if (!finite(s))
        return false;
    enum : unsigned { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };
    const auto code = [&](double x, double y) {
        unsigned c = 0;
        if (x < xMin)
            c |= kLeft;
        else if (x > xMax)
            c |= kRight;
        if (y < yMin)
            c |= kAbove;
        else if (y > yMax)
            c |= kBelow;
        return c;
    };
    unsigned c0 = code(s.x0, s.y0);
    unsigned c1 = code(s.x1, s.y1);
    // Four cuts reach the box. Near a corner rounding can leave a cut end a
    // hair beyond the other edge, and the cuts could go round that corner for
    // ever: after a few more the end lies within rounding of the corner, and
    // is held to the box.
    constexpr int kMaxCuts = 16;
    for (int cuts = 0; c0 | c1; ++cuts) {
        if (c0 & c1)
            return false;
        if (cuts == kMaxCuts) {
            s = {std::clamp(s.x0, xMin, xMax), std::clamp(s.y0, yMin, yMax),
                 std::clamp(s.x1, xMin, xMax), std::clamp(s.y1, yMin, yMax)};
            return true;
        }
        const bool first = c0 != 0;
        const unsigned c = first ? c0 : c1;
        double x, y;
        if (c & (kLeft | kRight)) {
            x = c & kLeft ? xMin : xMax;
            y = s.y0 + (s.y1 - s.y0) * ((x - s.x0) / (s.x1 - s.x0));
        } else {
            y = c & kAbove ? yMin : yMax;
            x = s.x0 + (s.x1 - s.x0) * ((y - s.y0) / (s.y1 - s.y0));
        }
        if (first) {
            s.x0 = x;
            s.y0 = y;
            c0 = code(x, y);
        } else {
            s.x1 = x;
            s.y1 = y;
            c1 = code(x, y);
        }
    }
    return true;
}

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

// The floor and the ceiling of v as an int, v first held to [-1, limit] so
// that the conversion cannot overflow; cheaper than the library's calls.
int floorWithin(double v, int limit) {
    v = std::clamp(v, -1.0, static_cast<double>(limit));
    const int i = static_cast<int>(v);
    return i - (i > v);
}

int ceilWithin(double v, int limit) {
    v = std::clamp(v, -1.0, static_cast<double>(limit));
    const int i = static_cast<int>(v);
    return i + (i < v);
}

// Pixels first to last of a row, in stores of four pixels that may overlap
// (fewer stores wait less for their cache lines), and a run shorter than four
// in three stores, the surplus ones on its last pixel: a loop over a few
// pixels would mispredict its end on nearly every run.
void fillRun(std::uint32_t* row, int first, int last, std::uint32_t pixel) {
    const std::uint32_t four[4] = {pixel, pixel, pixel, pixel};
    if (last - first >= 3) {
        for (int x = first; x < last - 3; x += 4)
            std::memcpy(row + x, four, sizeof four);
        std::memcpy(row + last - 3, four, sizeof four);
    } else {
        for (int i = 0; i < 3; ++i)
            row[std::min(first + i, last)] = pixel;
    }
}

} // namespace

void RasterCanvas::attach(PixelView view) {
    view_ = view;
    uniform_ = false;
    updateMapping();
}

void RasterCanvas::scale(float x1, float y1, float x2, float y2) {
    if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2)) ||
        x1 == x2 || y1 == y2)
        raise(ErrorKind::InvalidPropertyValue);
    left_ = x1;
    top_ = y1;
    right_ = x2;
    bottom_ = y2;
    scaled_ = true;
    updateMapping();
}

void RasterCanvas::updateMapping() {
    // Until the first scale() user coordinates are pixels.
    scaleX_ = scaled_ ? view_.width / (static_cast<double>(right_) - left_) : 1.0;
    scaleY_ = scaled_ ? view_.height / (static_cast<double>(bottom_) - top_) : 1.0;
}

void RasterCanvas::cls() {
    if (uniform_)
        return;
    fill();
    pixelsChanged();
}

void RasterCanvas::setBackColor(Colour colour) {
    if (colour < 0 || colour > kWhite)
        raise(ErrorKind::InvalidPropertyValue);
    if (uniform_ && colour == backColor_)
        return;
    backColor_ = colour;
    fill();
    pixelsChanged();
}

void RasterCanvas::setForeColor(Colour colour) {
    if (colour < 0 || colour > kWhite)
        raise(ErrorKind::InvalidPropertyValue);
    foreColor_ = colour;
}

void RasterCanvas::setDrawWidth(std::int16_t pixels) {
    if (pixels < 1)
        raise(ErrorKind::InvalidPropertyValue);
    drawWidth_ = pixels;
}

void RasterCanvas::fill() {
    const std::uint32_t pixel = toPixel(backColor_);
    for (int row = 0; row < view_.height; ++row) {
        std::uint32_t* first = view_.pixels + row * view_.stride;
        std::fill(first, first + view_.width, pixel);
    }
    uniform_ = true;
}

void RasterCanvas::line(float x1, float y1, float x2, float y2) {
    if (view_.width <= 0 || view_.height <= 0)
        return;
    uniform_ = false;
    drawLine({x1, y1, x2, y2, foreColor_}, {0, view_.height});
    pixelsChanged();
}

void RasterCanvas::drawBand(std::span<const ColouredLine> lines, RowBand band) const {
    band.first = std::max(band.first, 0);
    band.end = std::min(band.end, view_.height);
    if (view_.width <= 0 || band.first >= band.end)
        return;
    // Rows beyond a line's ends by more than the pen reaches hold none of it.
    const bool everyRow = band.first == 0 && band.end == view_.height;
    const double reach = drawWidth_ / 2.0 + 1.0;
    const double first = band.first - reach, end = band.end + reach;
    for (const ColouredLine& line : lines) {
        const double py0 = (static_cast<double>(line.y1) - top_) * scaleY_;
        const double py1 = (static_cast<double>(line.y2) - top_) * scaleY_;
        if (everyRow || (std::max(py0, py1) >= first && std::min(py0, py1) < end))
            drawLine(line, band);
    }
}

void RasterCanvas::bandsDrawn(const ColouredLine& last) {
    setForeColor(last.colour);
    if (view_.width <= 0 || view_.height <= 0)
        return;
    uniform_ = false;
    pixelsChanged();
}

void RasterCanvas::drawLine(const ColouredLine& line, RowBand band) const {
    const std::uint32_t pixel = toPixel(line.colour);
    const double px0 = (static_cast<double>(line.x1) - left_) * scaleX_;
    const double py0 = (static_cast<double>(line.y1) - top_) * scaleY_;
    const double px1 = (static_cast<double>(line.x2) - left_) * scaleX_;
    const double py1 = (static_cast<double>(line.y2) - top_) * scaleY_;
    if (drawWidth_ == 1)
        thinLine(px0, py0, px1, py1, pixel, band);
    else
        thickLine(px0, py0, px1, py1, pixel, band);
}

// The band only decides which of the path's pixels are written, so every
// band split draws the same pixels.
void RasterCanvas::thinLine(double px0, double py0, double px1, double py1, std::uint32_t pixel,
                            RowBand band) const {
    const double w = view_.width;
    const double h = view_.height;
    Segment s{px0, py0, px1, py1};
    const bool inside = px0 >= 0.0 && px0 < w && py0 >= 0.0 && py0 < h && px1 >= 0.0 && px1 < w &&
                        py1 >= 0.0 && py1 < h;
    if (!inside && !clip(s, 0.0, 0.0, w, h))
        return;
    // A point on the far edge belongs to the last pixel.
    const auto column = [&](double v) { return std::min(static_cast<int>(v), view_.width - 1); };
    const auto row = [&](double v) { return std::min(static_cast<int>(v), view_.height - 1); };
    const int x = column(s.x0), y = row(s.y0);
    const int xEnd = column(s.x1), yEnd = row(s.y1);
    if (std::max(y, yEnd) < band.first || std::min(y, yEnd) >= band.end)
        return;
    const std::uint32_t* const bandFirst = view_.pixels + band.first * view_.stride;
    const std::uint32_t* const bandEnd = view_.pixels + band.end * view_.stride;

    // Bresenham, both ends drawn. Each step moves along the longer axis, so
    // the path has a known length, and the steps take no branches: short
    // lines would mispredict them.
    const int dx = std::abs(xEnd - x);
    const int dy = -std::abs(yEnd - y);
    const int stepX = x < xEnd ? 1 : -1;
    const std::ptrdiff_t stepRow = y < yEnd ? view_.stride : -view_.stride;
    std::uint32_t* p = view_.pixels + y * view_.stride + x;
    int err = dx + dy;
    for (int left = std::max(dx, -dy);; --left) {
        if (p >= bandFirst && p < bandEnd)
            *p = pixel;
        if (left == 0)
            break;
        // All ones where the path moves along that axis; masks, since a
        // compiler may turn a choice back into a branch.
        const int e2 = 2 * err;
        const int moveX = -static_cast<int>(e2 >= dy);
        const int moveY = -static_cast<int>(e2 <= dx);
        err += (dy & moveX) + (dx & moveY);
        p += (stepX & moveX) + (stepRow & moveY);
    }
}

// A line wider than a pixel covers the pixels whose centres lie within half
// the pen width of the segment: a band with round ends. The band is half
// open, its edge towards +x (towards +y for a level line) left out, so that a
// pen of width w covers w pixels across wherever the line lies; the round ends
// stay within the band. Each row is one run of pixels, since that shape is
// convex.
void RasterCanvas::thickLine(double px0, double py0, double px1, double py1, std::uint32_t pixel,
                             RowBand band) const {
    const double r = drawWidth_ / 2.0;
    const double margin = r + 1.0;
    Segment s{px0, py0, px1, py1};
    // Cut far-away ends off first; what is cut lies wholly outside the picture.
    if (!clip(s, -margin, -margin, view_.width + margin, view_.height + margin))
        return;

    const double dx = s.x1 - s.x0;
    const double dy = s.y1 - s.y0;
    const double length = std::sqrt(dx * dx + dy * dy); // cut short above: no overflow
    // The band's edges along and across the segment, as x offsets from x0 that
    // move by a fixed amount from row to row; an edge parallel to the rows
    // instead admits a row whole or not at all.
    const bool notVertical = std::fabs(dx) > 1e-9 * length;
    const bool notHorizontal = std::fabs(dy) > 1e-9 * length;
    const double alongPerY = notVertical ? -dy / dx : 0.0; // where the projection is 0
    const double alongEnd = notVertical ? length * length / dx : 0.0;
    const double acrossPerY = notHorizontal ? dx / dy : 0.0; // where the distance is 0
    const double acrossHalf = notHorizontal ? std::fabs(r * length / dy) : 0.0;

    // Rows whose centres lie within r of the segment's height, in the band.
    const int firstRow =
        std::max(band.first, ceilWithin(std::min(s.y0, s.y1) - r - 0.5, view_.height));
    int lastRow = std::min(band.end - 1, floorWithin(std::max(s.y0, s.y1) + r - 0.5, view_.height));
    if (!notHorizontal) // the band's lower edge: rows whose centres lie below y0 + r
        lastRow = std::min(lastRow, ceilWithin(s.y0 + r - 0.5, view_.height) - 1);
    for (int row = firstRow; row <= lastRow; ++row) {
        const double yc = row + 0.5;
        Span span;
        for (const auto& [cx, cy] : {std::pair{s.x0, s.y0}, std::pair{s.x1, s.y1}}) {
            const double off = yc - cy;
            if (std::fabs(off) <= r) {
                const double half = std::sqrt(r * r - off * off);
                span.join(cx - half, cx + half);
            }
        }
        const double t = yc - s.y0;
        // The band across the line, as x offsets from x0; its right edge is open.
        const double centre = t * acrossPerY;
        const double bandLo = notHorizontal ? centre - acrossHalf : -kInfinity;
        const double bandHi = notHorizontal ? centre + acrossHalf : kInfinity;
        if (length > 0.0 && (notHorizontal || std::fabs(t) <= r) &&
            (notVertical || (t * dy >= 0.0 && t * dy <= length * length))) {
            double lo = bandLo, hi = bandHi;
            if (notVertical) {
                const double a = t * alongPerY, b = a + alongEnd;
                lo = std::max(lo, std::min(a, b));
                hi = std::min(hi, std::max(a, b));
            }
            span.join(s.x0 + lo, s.x0 + hi);
        }
        if (!(span.lo <= span.hi))
            continue;
        // Pixels whose centres lie in the span, left of the band's right edge.
        const int first = std::max(0, ceilWithin(span.lo - 0.5, view_.width));
        const int last = std::min({view_.width - 1, floorWithin(span.hi - 0.5, view_.width),
                                   ceilWithin(s.x0 + bandHi - 0.5, view_.width) - 1});
        if (first > last)
            continue;
        fillRun(view_.pixels + row * view_.stride, first, last, pixel);
    }
}

} // namespace vorlane::sim
