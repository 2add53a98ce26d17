// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "lines.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace vorlane::sim {

namespace {

bool finite(const PixelLine& s) {
    return std::isfinite(s.x0) && std::isfinite(s.y0) && std::isfinite(s.x1) && std::isfinite(s.y1);
}

// Four cuts reach the box. Near a corner rounding can leave a cut end a hair
// beyond the other edge, and the cuts could go round that corner for ever:
// after a few more the end lies within rounding of the corner, and is held
// to the box.
constexpr int kMostCuts = 16;

} // namespace

// Cohen-Sutherland. A cut end lands exactly on the edge it crosses, so lines
// from far away keep their place.
bool clip(PixelLine& s, const Box& box) {
    assert(box.left <= box.right && box.top <= box.bottom);
    if (!finite(s))
        return false;
    enum : unsigned { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };
    const auto code = [&](double x, double y) {
        unsigned c = 0;
        if (x < box.left)
            c |= kLeft;
        else if (x > box.right)
            c |= kRight;
        if (y < box.top)
            c |= kAbove;
        else if (y > box.bottom)
            c |= kBelow;
        return c;
    };
    unsigned c0 = code(s.x0, s.y0);
    unsigned c1 = code(s.x1, s.y1);
    for (int cuts = 0; c0 | c1; ++cuts) {
        if (c0 & c1)
            return false;
        if (cuts == kMostCuts) {
            s = {std::clamp(s.x0, box.left, box.right), std::clamp(s.y0, box.top, box.bottom),
                 std::clamp(s.x1, box.left, box.right), std::clamp(s.y1, box.top, box.bottom)};
            return true;
        }
        const bool first = c0 != 0;
        const unsigned c = first ? c0 : c1;
        double x, y;
        if (c & (kLeft | kRight)) {
            x = c & kLeft ? box.left : box.right;
            y = s.y0 + (s.y1 - s.y0) * ((x - s.x0) / (s.x1 - s.x0));
        } else {
            y = c & kAbove ? box.top : box.bottom;
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

} // namespace vorlane::sim
