// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Drawing into a pixel buffer: the canvas operations that do not depend on
// where the pixels live. The window canvas and headless canvases derive from
// RasterCanvas, give it their buffer and add the window geometry.

#include "canvas.h"
#include "lines.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vorlane::sim {

class RasterCanvas : public Canvas {
public:
    RasterCanvas() = default;
    // A copy would draw into the original's pixels.
    RasterCanvas(const RasterCanvas&) = delete;
    RasterCanvas& operator=(const RasterCanvas&) = delete;

    void scale(float x1, float y1, float x2, float y2) final;
    void cls() final;
    void setBackColor(Colour colour) final;
    void setForeColor(Colour colour) final;
    void setDrawWidth(std::int16_t pixels) final;
    void line(float x1, float y1, float x2, float y2) final;

    // Draws the lines in order, each as setForeColor() and line() would, but
    // only their pixels in the band, and changes nothing else: threads that
    // own bands apart may draw the same lines at once, and a later line still
    // covers an earlier one. The colours must be valid.
    void drawBand(std::span<const ColouredLine> lines, RowBand band) const;
    // Once the lines were drawn in every band: leaves the state that
    // setForeColor() and line() would have left.
    void bandsDrawn(const ColouredLine& last);

    int widthPixels() const { return view_.width; }
    int heightPixels() const { return view_.height; }
    Colour backColor() const { return backColor_; }
    Colour foreColor() const { return foreColor_; }
    std::int16_t drawWidth() const { return drawWidth_; }

protected:
    // The buffer to draw into from now on; called again whenever it moves or
    // changes size. Its content is the deriving class's business.
    void attach(PixelView view);
    // Called after each operation that changed pixels.
    virtual void pixelsChanged() {}

private:
    void fill();
    void updateMapping();
    void drawLines(std::span<const ColouredLine> lines, RowBand band) const;

    PixelView view_;
    Colour backColor_ = kWhite;
    Colour foreColor_ = 0;
    std::int16_t drawWidth_ = 1;
    // Every pixel shows the background colour: a fill would change nothing.
    bool uniform_ = false;
    // User coordinates of the edges, and their mapping onto pixels.
    float left_ = 0.0f, top_ = 0.0f, right_ = 1.0f, bottom_ = 1.0f;
    bool scaled_ = false;
    PixelMapping mapping_;
};

} // namespace vorlane::sim
