// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The angle module: pi and the degree/radian factors in single precision, and
// the polar angle of a point about the light source.

#include "roundedmaths.h"
#include "sim/rules/numeric.h"

namespace vorlane::sim::m1 {

// Single-precision values; the factors are built from the single pi, so
// torad * 360 lies a little below 2 pi and todeg * pi / 2 a little below 90.
inline float pi = 0.0f;
inline float torad = 0.0f;
inline float todeg = 0.0f;

void setconstants();

// The polar angle of (x, y) in radians, not reduced to one turn: in
// (-pi/2, pi/2) for x > 0 and in (pi/2, 3 pi/2) for x < 0, with the single pi.
// The arctangent is the correctly rounded one: this is the reference that the
// drawing's faster ways must meet (roundedmaths.h).
inline double polarangle(double x, double y) {
    if (x == 0.0 && y == 0.0)
        return 0.0;
    if (x == 0.0)
        x = 1e-9;
    const double a = rounded::atan(checked(y / x));
    return x < 0.0 ? a + static_cast<double>(pi) : a;
}

} // namespace vorlane::sim::m1
