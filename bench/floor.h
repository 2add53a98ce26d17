// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The floor that the drawing is timed against: the values of every segment
// of the default drawing, computed as leanly as they can be with the same
// bits, and drawn nowhere.
//
// It keeps the plain maths of the rules as written, an atan, one sincos and a
// tan a segment, and must not learn the drawing's shortcuts (the polar form
// from x / r, y / r and y / x, the lit test from q): the floor measures what
// the rules cost when computed as they read, so that a ratio below 1 shows
// what the shortcuts save. A floor that took them would time the drawing
// against itself, and its values would no longer be an independent check of
// the drawing's (tests/bench/test_floor.cpp).

#include "sim/maths/m1.h"
#include "sim/rules/random.h"

#include <cmath>
#include <cstdint>

namespace vorlane::bench {

// The default values of "draw rings".
inline constexpr std::int16_t kNmin = 4;
inline constexpr std::int16_t kSpan = 96;
inline constexpr float kSegmentLength = 0.02f;
inline constexpr float kAngleLimit = 15.0f;
inline constexpr std::int16_t kScratchGrey = 50;

// What the floor computes for a segment.
struct SegmentValues {
    float x1, y1, x2, y2;
    int grey;
};

inline int segmentCount(float u1) {
    return static_cast<int>(
        std::nearbyint(static_cast<float>(kSpan) * u1 + static_cast<float>(kNmin)));
}

// The ends and the grey of each segment of `scratches` scratches from the
// stream, handed to take(); returns the number of segments. The drawing rules
// in a plain loop: the same random numbers, one sincos where a sine and a
// cosine of one angle are both needed, and only the tests that can change a
// value with these values (a start point on an axis, a scratch along the
// radius).
template <typename Take>
std::int64_t floorSegments(sim::Mt19937Source& random, std::int64_t scratches, Take&& take) {
    sim::m1::setconstants();
    const double pi = sim::m1::pi;
    const double torad = sim::m1::torad;
    const double todeg = sim::m1::todeg;
    constexpr double kBlendSpan = 255 - kScratchGrey;
    std::int64_t segments = 0;
    for (std::int64_t i = 0; i < scratches; ++i) {
        const int n = segmentCount(random.next());
        const double theta = torad * 360.0 * random.next();
        double sinTheta, cosTheta;
        ::sincos(theta, &sinTheta, &cosTheta);
        const auto ct = static_cast<float>(cosTheta);
        const auto st = static_cast<float>(sinTheta);
        const auto tt = static_cast<float>(std::tan(theta));
        double x = 2.0 - 4.0 * random.next();
        double y = 2.0 - 4.0 * random.next();
        for (int j = 0; j < n; ++j) {
            const double r = std::sqrt(x * x + y * y);
            double phi = 0.0;
            if (x != 0.0 || y != 0.0) {
                const double xx = x == 0.0 ? 1e-9 : x;
                phi = std::atan(y / xx) + (xx < 0.0 ? pi : 0.0);
            }
            double sinPhi, cosPhi;
            ::sincos(phi, &sinPhi, &cosPhi);
            const double xe = static_cast<double>(ct) * kSegmentLength +
                              static_cast<double>(static_cast<float>(cosPhi)) * r;
            const double ye = static_cast<double>(kSegmentLength) * st +
                              static_cast<double>(static_cast<float>(sinPhi)) * r;
            const auto tphi = static_cast<float>(std::tan(phi));
            double d = 90.0;
            if (tphi == 0.0f) {
                if (tt != 0.0f)
                    d = std::fabs(todeg * std::atan(1.0 / static_cast<double>(tt)));
            } else {
                const double m = -1.0f / tphi;
                const double denominator = m * tt + 1.0;
                if (denominator != 0.0)
                    d = std::fabs(todeg * std::atan((m - tt) / denominator));
            }
            const int grey = static_cast<float>(d) >= kAngleLimit
                                 ? kScratchGrey
                                 : static_cast<int>(std::nearbyint(
                                       255.0 - d / static_cast<double>(kAngleLimit) * kBlendSpan));
            take(SegmentValues{static_cast<float>(x), static_cast<float>(y),
                               static_cast<float>(xe), static_cast<float>(ye), grey});
            x = xe;
            y = ye;
        }
        segments += n;
    }
    return segments;
}

// The number of segments of the first `scratches` scratches of a fresh stream.
inline std::int64_t segmentsOf(std::int64_t scratches) {
    sim::Mt19937Source random;
    std::int64_t segments = 0;
    for (std::int64_t i = 0; i < scratches; ++i) {
        segments += segmentCount(random.next());
        for (int other = 1; other < 4; ++other)
            random.next();
    }
    return segments;
}

// The floor as the benchmark times it: each segment's values stored, and no more.
std::int64_t floorSegments(sim::Mt19937Source& random, std::int64_t scratches);

} // namespace vorlane::bench
