// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Window sizes and positions are twips, 1/1440 of a logical inch. This is the
// one place that turns them into the screen's pixels and back.

#include "sim/rules/drawsettings.h"

class QWidget;

namespace vorlane::screen {

// Twips in one device-independent pixel of the screen: 15 at 96 dpi.
double twipsPerPixel();

// A size in whole pixels; a negative, non-finite or huge size is an invalid
// property value.
int sizePixels(float twips);
// A position in whole pixels; it may be negative, but not non-finite or huge.
int positionPixels(float twips);
float twipsForPixels(int pixels);

// Twips in one device pixel at that ratio of device pixels to
// device-independent ones: 7.5 at 200 %. Cut to 9 significant bits, so that
// any canvas size in device pixels is exact in twips held as single
// precision: the canvas's height and width then read back in one proportion
// to its pixel counts, and the picture depends on those counts alone, at
// every ratio, as on a canvas at 15 twips a pixel.
double twipsPerDevicePixel(double ratio);
float twipsForDevicePixels(int pixels, double ratio);

// The outer size of a top-level window as the windowing system reports it,
// frame and menu bar included.
sim::WindowSize outerSize(const QWidget& window);

} // namespace vorlane::screen
