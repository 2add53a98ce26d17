// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Looking at pictures in the GUI tests.

#include "sim/pixels/raster.h"

#include <QImage>

#include <cstdint>

namespace vorlane::test {

inline std::uint32_t greyPixel(int level) {
    return sim::toPixel(level * 65793); // level * (1 + 256 + 65536)
}

// How many pixels of the picture have exactly this value.
inline qsizetype countPixels(const QImage& image, std::uint32_t pixel) {
    qsizetype count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == pixel;
    return count;
}

inline bool filledWith(const QImage& image, std::uint32_t pixel) {
    return !image.isNull() && countPixels(image, pixel) == qsizetype{image.width()} * image.height();
}

} // namespace vorlane::test
