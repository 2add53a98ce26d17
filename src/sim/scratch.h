// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One scratch of "draw rings": made from its four random numbers and walked
// segment by segment. Shared by the drawing on one thread through any canvas
// and the drawing in batches on several threads, so both follow one rule.

#include "canvas.h"
#include "m1.h"
#include "numeric.h"
#include "raster.h"

#include <cmath>
#include <cstdint>

namespace vorlane::sim {

// Grey level g as a colour value: components above 255 count as 255, and a
// negative level is an invalid argument.
inline Colour grey(std::int16_t g) {
    if (g < 0) [[unlikely]]
        raise(ErrorKind::InvalidArgument);
    const Colour level = g > 255 ? 255 : g;
    return level * 0x010101;
}

// The angle in degrees, 0 to 90, between a scratch whose direction has the
// tangent tt and the tangent of the circle about the source through a point at
// polar angle phi.
inline double deviation(double phi, float tt) {
    // Within the single range: no double lies nearer pi/2 than the tangent's
    // 1.6e16 needs, so no check.
    const auto tphi = static_cast<float>(std::tan(phi));
    double q;
    if (tphi == 0.0f) [[unlikely]] {
        // The start point lies on the x axis or at the source: the circle's
        // tangent is vertical, and q is the limit of the general formula.
        if (tt == 0.0f)
            return 90.0;
        q = 1.0 / static_cast<double>(tt);
    } else {
        const double m = checked(-1.0f / tphi); // the tangent's slope, single
        const double denominator = m * tt + 1.0;
        if (denominator == 0.0) [[unlikely]] // the scratch runs along the radius
            return 90.0;
        q = (m - tt) / denominator;
    }
    return std::fabs(static_cast<double>(m1::todeg) * std::atan(q));
}

// The grey of a segment at deviation d: white at 0, moving linearly to the
// scratch grey s as d nears the angle limit a; s itself from a on.
inline std::int16_t segmentGrey(double d, float a, std::int16_t s) {
    // d, the size of an arctangent in degrees, is never an infinity: the
    // overflow check of toSingle() could not fire.
    if (static_cast<float>(d) >= a)
        return s;
    const std::int16_t span = subtract<std::int16_t>(255, s);
    return toInt16Round(255.0 - d / static_cast<double>(a) * span);
}

// The sine and the cosine of one angle: glibc's sincos gives the same bits as
// sin and cos apart, in about half their time.
struct SineCosine {
    double sin, cos;
};
inline SineCosine sineCosine(double angle) {
    SineCosine result;
    ::sincos(angle, &result.sin, &result.cos);
    return result;
}

// What every scratch shares: the least number of segments and the span above it.
struct ScratchRules {
    std::int16_t nmin;
    std::int16_t span;
};

// What every segment shares: its length, the angle limit and the scratch grey.
struct SegmentRules {
    float l;
    float a;
    std::int16_t s;
};

// One scratch: n segments from (x, y) in the direction whose cosine, sine and
// tangent are ct, st and tt.
struct Scratch {
    std::int16_t n;
    float ct, st, tt;
    double x, y;
};

// Draws the scratch's four numbers from next() in order, each step failing
// where its own computation fails.
template <typename Next> Scratch makeScratch(Next&& next, const ScratchRules& rules) {
    Scratch scratch{};
    const float u1 = next();
    scratch.n = toInt16Round(static_cast<float>(rules.span) * u1 + static_cast<float>(rules.nmin));

    const float u2 = next();
    const double theta = static_cast<double>(m1::torad) * 360.0 * u2;
    const SineCosine direction = sineCosine(theta);
    scratch.ct = toSingle(direction.cos);
    scratch.st = toSingle(direction.sin);
    scratch.tt = toSingle(std::tan(theta));

    const float u3 = next();
    const float u4 = next();
    scratch.x = 2.0 - 4.0 * u3;
    scratch.y = 2.0 - 4.0 * u4;
    return scratch;
}

// The segments of one scratch in order: colour() for the segment that starts
// at the current point, then line() for it, which moves on to its end.
class ScratchWalk {
public:
    ScratchWalk(const Scratch& scratch, const SegmentRules& rules)
        : scratch_(scratch), rules_(rules), x_(scratch.x), y_(scratch.y) {}

    Colour colour() {
        const double squared = x_ * x_ + y_ * y_;
        // x_ and y_ lie within the single range (see line()): squared is a
        // number, never negative, and sqrt needs no call to set errno.
        if (!(squared >= 0.0))
            __builtin_unreachable();
        const double r = std::sqrt(squared);
        const double phi = m1::polarangle(x_, y_);
        const SineCosine polar = sineCosine(phi);
        const auto cphi = static_cast<float>(polar.cos); // within [-1, 1]: no check
        const auto sphi = static_cast<float>(polar.sin);
        // Rebuilt from the polar form, so the single cphi and sphi enter every step.
        xe_ = static_cast<double>(scratch_.ct) * rules_.l + static_cast<double>(cphi) * r;
        ye_ = static_cast<double>(rules_.l) * scratch_.st + static_cast<double>(sphi) * r;
        return grey(segmentGrey(deviation(phi, scratch_.tt), rules_.a, rules_.s));
    }

    ColouredLine line(Colour colour) {
        // The start is the last segment's end, whose singles were checked
        // here, or the scratch's start, within (-2, 2]: only the end can
        // overflow.
        const ColouredLine segment{static_cast<float>(x_), static_cast<float>(y_), toSingle(xe_),
                                   toSingle(ye_), colour};
        x_ = xe_;
        y_ = ye_;
        return segment;
    }

private:
    Scratch scratch_;
    SegmentRules rules_;
    double x_, y_;
    double xe_ = 0.0, ye_ = 0.0;
};

} // namespace vorlane::sim
