// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A canvas that lives only in memory, at a fixed 15 twips a pixel (96 dpi):
// for drawing without a window, in tests, benchmarks and batch rendering.

#include "raster.h"
#include "sim/rules/drawsettings.h"

#include <cstdint>
#include <vector>

namespace vorlane::sim {

class BufferCanvas final : public RasterCanvas {
public:
    static constexpr float kTwipsPerPixel = 15.0f;

    BufferCanvas(int widthPixels, int heightPixels);

    void setHeight(float twips) override;
    void setWidth(float twips) override;
    float height() const override { return static_cast<float>(height_) * kTwipsPerPixel; }
    float width() const override { return static_cast<float>(width_) * kTwipsPerPixel; }
    void setTop(float) override {}
    void setLeft(float) override {}

    std::uint32_t pixel(int x, int y) const { return pixels_[y * width_ + x]; }
    // All pixels, row by row.
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

private:
    void resize(int widthPixels, int heightPixels);

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// The most pixels a canvas may have each way: more would not fit in memory,
// nor in a bitmap file's header.
inline constexpr int kMostCanvasPixels = 32767;

// Twips as whole pixels, for a size that the canvas takes: a negative,
// non-finite or unreasonably large size is an invalid property value.
int pixelsForTwips(float twips, double twipsPerPixel);

// The outer size of the main window for which "draw rings" fits the canvas to
// this many pixels at 15 twips a pixel.
constexpr WindowSize mainWindowFor(int widthPixels, int heightPixels) {
    return {static_cast<float>(heightPixels) * BufferCanvas::kTwipsPerPixel + kCanvasMargins.height,
            static_cast<float>(widthPixels) * BufferCanvas::kTwipsPerPixel + kCanvasMargins.width};
}

} // namespace vorlane::sim
