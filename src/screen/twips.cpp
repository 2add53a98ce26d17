// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "twips.h"

#include "sim/pixels/buffercanvas.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace vorlane::screen {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kUsualDpi = 96.0;
} // namespace

double twipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : kUsualDpi;
    return kTwipsPerInch / (dpi > 0.0 ? dpi : kUsualDpi);
}

int sizePixels(float twips) {
    return sim::pixelsForTwips(twips, twipsPerPixel());
}

int positionPixels(float twips) {
    // The magnitude follows the same limits as a size; NaN stays NaN and is refused.
    const int pixels = sim::pixelsForTwips(std::fabs(twips), twipsPerPixel());
    return twips < 0.0f ? -pixels : pixels;
}

float twipsForPixels(int pixels) {
    return static_cast<float>(pixels * twipsPerPixel());
}

double twipsPerDevicePixel(double ratio) {
    constexpr int kBits = 9;
    int exponent = 0;
    const double fraction = std::frexp(twipsPerPixel() / ratio, &exponent);
    return std::ldexp(std::round(std::ldexp(fraction, kBits)), exponent - kBits);
}

float twipsForDevicePixels(int pixels, double ratio) {
    return static_cast<float>(pixels * twipsPerDevicePixel(ratio));
}

sim::WindowSize outerSize(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    return {twipsForPixels(frame.height()), twipsForPixels(frame.width())};
}

} // namespace vorlane::screen
