#include "raster.h"

#include "errors.h"
#include "lines.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace vorlane::sim {

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
    const ColouredLine drawn{x1, y1, x2, y2, foreColor_};
    drawLines({&drawn, 1}, {0, view_.height});
    pixelsChanged();
}

void RasterCanvas::drawBand(std::span<const ColouredLine> lines, RowBand band) const {
    band.first = std::max(band.first, 0);
    band.end = std::min(band.end, view_.height);
    if (view_.width <= 0 || band.first >= band.end)
        return;
    drawLines(lines, band);
}

void RasterCanvas::bandsDrawn(const ColouredLine& last) {
    setForeColor(last.colour);
    if (view_.width <= 0 || view_.height <= 0)
        return;
    uniform_ = false;
    pixelsChanged();
}

// The one place where user coordinates become pixels.
PixelLine RasterCanvas::toPixels(const ColouredLine& line) const {
    return {(static_cast<double>(line.x1) - left_) * scaleX_,
            (static_cast<double>(line.y1) - top_) * scaleY_,
            (static_cast<double>(line.x2) - left_) * scaleX_,
            (static_cast<double>(line.y2) - top_) * scaleY_};
}

void RasterCanvas::drawLines(std::span<const ColouredLine> lines, RowBand band) const {
    assert(0 <= band.first && band.first < band.end && band.end <= view_.height);
    // Rows beyond a line's ends by more than the pen reaches hold none of it.
    const double reach = penReach(drawWidth_);
    const double first = band.first - reach, end = band.end + reach;
    for (const ColouredLine& line : lines) {
        const PixelLine pixels = toPixels(line);
        if (!(std::max(pixels.y0, pixels.y1) >= first && std::min(pixels.y0, pixels.y1) < end))
            continue;
        if (drawWidth_ == 1)
            drawThinLine(view_, pixels, toPixel(line.colour), band);
        else
            drawWideLine(view_, pixels, drawWidth_, toPixel(line.colour), band);
    }
}

} // namespace vorlane::sim
