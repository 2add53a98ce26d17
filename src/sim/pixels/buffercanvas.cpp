// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "buffercanvas.h"

#include "sim/rules/errors.h"

#include <cmath>

namespace vorlane::sim {

int pixelsForTwips(float twips, double twipsPerPixel) {
    if (!(twips >= 0.0f) || !std::isfinite(twips))
        raise(ErrorKind::InvalidPropertyValue);
    const double pixels = std::round(static_cast<double>(twips) / twipsPerPixel);
    if (pixels > kMostCanvasPixels)
        raise(ErrorKind::InvalidPropertyValue);
    return static_cast<int>(pixels);
}

BufferCanvas::BufferCanvas(int widthPixels, int heightPixels) {
    resize(widthPixels, heightPixels);
    cls();
}

void BufferCanvas::setHeight(float twips) {
    resize(width_, pixelsForTwips(twips, kTwipsPerPixel));
}

void BufferCanvas::setWidth(float twips) {
    resize(pixelsForTwips(twips, kTwipsPerPixel), height_);
}

// What was drawn does not survive a resize: the new area shows the background.
void BufferCanvas::resize(int widthPixels, int heightPixels) {
    if (widthPixels == width_ && heightPixels == height_)
        return;
    width_ = widthPixels;
    height_ = heightPixels;
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                   toPixel(backColor()));
    attach({pixels_.data(), width_, height_, width_});
}

} // namespace vorlane::sim
