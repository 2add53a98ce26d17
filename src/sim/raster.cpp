#include "raster.h"

#include "errors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vorlane::sim {

namespace {

struct Segment {
    double x0, y0, x1, y1;
};

bool finite(const Segment& s) {
    return std::isfinite(s.x0) && std::isfinite(s.y0) && std::isfinite(s.x1) &&
           std::isfinite(s.y1);
}

// Cuts the segment to the box [xMin, xMax] x [yMin, yMax] (Cohen-Sutherland);
// false when nothing of it lies inside. A cut end lands exactly on the edge it
// crosses, so lines from far away keep their place.
bool clip(Segment& s, double xMin, double yMin, double xMax, double yMax) {
    if (!finite(s))
        return false;
    enum : unsigned { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };
    const auto code = [&](double x, double y) {
        return (x < xMin ? kLeft : x > xMax ? kRight : 0u) |
               (y < yMin ? kAbove : y > yMax ? kBelow : 0u);
    };
    unsigned c0 = code(s.x0, s.y0);
    unsigned c1 = code(s.x1, s.y1);
    while (c0 | c1) {
        if (c0 & c1)
            return false;
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
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();

    void join(double a, double b) {
        if (a <= b) {
            lo = std::min(lo, a);
            hi = std::max(hi, b);
        }
    }
};

// Narrows [lo, hi] to the x for which a * x + b lies in [from, to].
void restrict(double& lo, double& hi, double a, double b, double from, double to) {
    if (std::fabs(a) < 1e-12) {
        if (b < from || b > to)
            hi = -std::numeric_limits<double>::infinity();
        return;
    }
    double u = (from - b) / a, v = (to - b) / a;
    if (u > v)
        std::swap(u, v);
    lo = std::max(lo, u);
    hi = std::min(hi, v);
}

} // namespace

void RasterCanvas::attach(PixelView view) {
    view_ = view;
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
    fill();
    pixelsChanged();
}

void RasterCanvas::setBackColor(Colour colour) {
    if (colour < 0 || colour > kWhite)
        raise(ErrorKind::InvalidPropertyValue);
    backColor_ = colour;
    fill();
    pixelsChanged();
}

void RasterCanvas::setForeColor(Colour colour) {
    if (colour < 0 || colour > kWhite)
        raise(ErrorKind::InvalidPropertyValue);
    foreColor_ = colour;
    forePixel_ = toPixel(colour);
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
}

void RasterCanvas::line(float x1, float y1, float x2, float y2) {
    if (view_.width <= 0 || view_.height <= 0)
        return;
    const double px0 = (static_cast<double>(x1) - left_) * scaleX_;
    const double py0 = (static_cast<double>(y1) - top_) * scaleY_;
    const double px1 = (static_cast<double>(x2) - left_) * scaleX_;
    const double py1 = (static_cast<double>(y2) - top_) * scaleY_;
    if (drawWidth_ == 1)
        thinLine(px0, py0, px1, py1);
    else
        thickLine(px0, py0, px1, py1);
    pixelsChanged();
}

void RasterCanvas::thinLine(double px0, double py0, double px1, double py1) {
    const double w = view_.width;
    const double h = view_.height;
    Segment s{px0, py0, px1, py1};
    const bool inside = px0 >= 0.0 && px0 < w && py0 >= 0.0 && py0 < h && px1 >= 0.0 &&
                        px1 < w && py1 >= 0.0 && py1 < h;
    if (!inside && !clip(s, 0.0, 0.0, w, h))
        return;
    // A point on the far edge belongs to the last pixel.
    const auto column = [&](double v) { return std::min(static_cast<int>(v), view_.width - 1); };
    const auto row = [&](double v) { return std::min(static_cast<int>(v), view_.height - 1); };
    int x = column(s.x0), y = row(s.y0);
    const int xEnd = column(s.x1), yEnd = row(s.y1);

    // Bresenham, both ends drawn.
    const int dx = std::abs(xEnd - x);
    const int dy = -std::abs(yEnd - y);
    const int stepX = x < xEnd ? 1 : -1;
    const int stepY = y < yEnd ? 1 : -1;
    const std::ptrdiff_t stepRow = stepY * view_.stride;
    std::uint32_t* p = view_.pixels + y * view_.stride + x;
    int err = dx + dy;
    for (;;) {
        *p = forePixel_;
        if (x == xEnd && y == yEnd)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += stepX;
            p += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y += stepY;
            p += stepRow;
        }
    }
}

// A line wider than a pixel covers the pixels whose centres lie within half
// the pen width of the segment: a band with round ends.
void RasterCanvas::thickLine(double px0, double py0, double px1, double py1) {
    const double r = drawWidth_ / 2.0;
    const double margin = r + 1.0;
    Segment s{px0, py0, px1, py1};
    // Cut far-away ends off first; what is cut lies wholly outside the picture.
    if (!clip(s, -margin, -margin, view_.width + margin, view_.height + margin))
        return;

    const double dx = s.x1 - s.x0;
    const double dy = s.y1 - s.y0;
    const double length = std::hypot(dx, dy);
    const double ux = length > 0.0 ? dx / length : 0.0;
    const double uy = length > 0.0 ? dy / length : 0.0;

    const int firstRow = std::max(0, static_cast<int>(std::floor(std::min(s.y0, s.y1) - r)));
    const int lastRow =
        std::min(view_.height - 1, static_cast<int>(std::ceil(std::max(s.y0, s.y1) + r)));
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
        if (length > 0.0) {
            double lo = -std::numeric_limits<double>::infinity();
            double hi = std::numeric_limits<double>::infinity();
            const double along = (yc - s.y0) * uy - s.x0 * ux;  // (x - x0) ux + (yc - y0) uy
            const double across = (yc - s.y0) * ux + s.x0 * uy; // -(x - x0) uy + (yc - y0) ux
            restrict(lo, hi, ux, along, 0.0, length);
            restrict(lo, hi, -uy, across, -r, r);
            span.join(lo, hi);
        }
        if (span.lo > span.hi)
            continue;
        const int first = std::max(0, static_cast<int>(std::ceil(span.lo - 0.5)));
        const int last = std::min(view_.width - 1, static_cast<int>(std::floor(span.hi - 0.5)));
        if (first > last)
            continue;
        std::uint32_t* p = view_.pixels + row * view_.stride;
        std::fill(p + first, p + last + 1, forePixel_);
    }
}

} // namespace vorlane::sim
