// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "raster.h"

#include "lines.h"
#include "sim/rules/errors.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

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
    mapping_ = {left_, top_,
                scaled_ ? view_.width / (static_cast<double>(right_) - left_) : 1.0,
                scaled_ ? view_.height / (static_cast<double>(bottom_) - top_) : 1.0};
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

// The first row pixel by pixel, each other one a copy of it: the C library's
// copy stores in the widest units the processor has, and filled a 1600 x
// 1000 canvas in half the time of the same loop over every row.
void RasterCanvas::fill() {
    if (view_.height > 0) {
        std::fill(view_.pixels, view_.pixels + view_.width, toPixel(backColor_));
        const std::size_t rowBytes = static_cast<std::size_t>(view_.width) * sizeof *view_.pixels;
        for (int row = 1; row < view_.height; ++row)
            std::memcpy(view_.pixels + row * view_.stride, view_.pixels, rowBytes);
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

void RasterCanvas::drawLines(std::span<const ColouredLine> lines, RowBand band) const {
    assert(0 <= band.first && band.first < band.end && band.end <= view_.height);
    if (drawWidth_ == 1)
        drawThinLines(view_, mapping_, lines, band);
    else
        drawWideLines(view_, mapping_, lines, drawWidth_, band);
}

} // namespace vorlane::sim
