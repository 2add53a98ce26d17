// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One scratch of "draw rings": made from its four random numbers and walked
// segment by segment. Shared by the drawing on one thread through any canvas
// and the drawing in batches on several threads, so both follow one rule.

#include "sim/maths/m1.h"
#include "sim/maths/roundedmaths.h"
#include "sim/pixels/canvas.h"
#include "sim/pixels/raster.h"
#include "sim/rules/numeric.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vorlane::sim {

// Grey level g as a colour value: components above 255 count as 255, and a
// negative level is an invalid argument.
inline Colour grey(std::int16_t g) {
    if (g < 0) [[unlikely]]
        raise(ErrorKind::InvalidArgument);
    const Colour level = g > 255 ? 255 : g;
    return level * 0x010101;
}

// The tangent q of the angle between a scratch whose direction has the
// tangent tt and the tangent of the circle about the source at a point whose
// polar angle has the tangent tphi, as the terms of its quotient. A
// denominator of 0 stands for none, where the scratch runs along the radius:
// a q's own denominator is never 0.
struct DeviationTerms {
    double numerator, denominator;
    bool alongRadius() const { return denominator == 0.0; }
    double quotient() const { return numerator / denominator; }
};

inline DeviationTerms deviationTerms(float tphi, float tt) {
    if (tphi == 0.0f) [[unlikely]] {
        // The start point lies on the x axis or at the source: the circle's
        // tangent is vertical, and q = 1 / tt is the limit of the general
        // formula (none for tt = 0).
        return {1.0, static_cast<double>(tt)};
    }
    const double m = checked(-1.0f / tphi); // the tangent's slope, single
    const double denominator = m * tt + 1.0;
    return {m - tt, denominator};
}

// The size in degrees of the angle whose tangent is q, with the correctly
// rounded arctangent: the reference.
inline double degreesOf(double q) {
    return std::fabs(static_cast<double>(m1::todeg) * rounded::atan(q));
}

// The angle in degrees, 0 to 90, between the scratch and the circle's tangent.
inline double deviation(float tphi, float tt) {
    const DeviationTerms q = deviationTerms(tphi, tt);
    return q.alongRadius() ? 90.0 : degreesOf(q.quotient());
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

// What every scratch shares: the least number of segments and the span above it.
struct ScratchRules {
    std::int16_t nmin;
    std::int16_t span;
};

// What every segment shares: its length, the angle limit and the scratch
// grey, and the |q| from which a segment is surely unlit (rounded::unlitFrom()).
struct SegmentRules {
    float l;
    float a;
    std::int16_t s;
    double unlitFrom = HUGE_VAL;
};

// The drawing's maths: each value as the reference gives it, the faster
// stages first (sim/maths/roundedmaths.h).
struct GuardedMaths {
    static rounded::Trigonometry polar(double x, double y, double squared, double r) {
        return rounded::polar(x, y, squared, r);
    }
    static rounded::Trigonometry direction(double theta) { return rounded::direction(theta); }
    static std::int16_t termsGrey(const DeviationTerms& q, const SegmentRules& rules) {
        // Most segments are unlit, and this test needs no division.
        if (rounded::quotientSurelyFrom(q.numerator, q.denominator, rules.unlitFrom))
            return rules.s;
        return quotientGrey(q.quotient(), rules);
    }
    static std::int16_t quotientGrey(double q, const SegmentRules& rules) {
        const double magnitude = std::fabs(q);
        if (magnitude >= rules.unlitFrom)
            return rules.s;
        // Every grey between those of the library's bracket: the grey rule
        // keeps the order of d, which keeps that of the arctangent.
        ++rounded::stageCounts.deviationLibrary;
        const double todeg = m1::todeg;
        double lo, hi;
        if (rounded::libraryBracket(std::atan(magnitude), lo, hi)) {
            try {
                const std::int16_t g = segmentGrey(todeg * lo, rules.a, rules.s);
                if (segmentGrey(todeg * hi, rules.a, rules.s) == g)
                    return g;
            } catch (const RuntimeError&) {
                // One end fails: the reference's value tells whether it does.
            }
        }
        ++rounded::stageCounts.deviationReference;
        return segmentGrey(degreesOf(magnitude), rules.a, rules.s);
    }
};

// Every value from the last stage alone: slow, and the same picture.
struct ReferenceMaths {
    static rounded::Trigonometry polar(double x, double y, double, double) {
        return rounded::referencePolar(x, y);
    }
    static rounded::Trigonometry direction(double theta) {
        return rounded::referenceDirection(theta);
    }
    static std::int16_t termsGrey(const DeviationTerms& q, const SegmentRules& rules) {
        return quotientGrey(q.quotient(), rules);
    }
    static std::int16_t quotientGrey(double q, const SegmentRules& rules) {
        return segmentGrey(degreesOf(q), rules.a, rules.s);
    }
};

// The grey of a segment from the terms of its q.
template <typename Maths>
std::int16_t deviationGrey(const DeviationTerms& q, const SegmentRules& rules) {
    if (q.alongRadius()) [[unlikely]]
        return segmentGrey(90.0, rules.a, rules.s);
    return Maths::termsGrey(q, rules);
}

// The same for a segment whose polar angle has the tangent tphi, on a
// scratch whose direction has the tangent tt.
template <typename Maths>
std::int16_t deviationGrey(float tphi, float tt, const SegmentRules& rules) {
    return deviationGrey<Maths>(deviationTerms(tphi, tt), rules);
}

// The colour of a segment from the terms of its q.
template <typename Maths = GuardedMaths>
Colour segmentColour(const DeviationTerms& q, const SegmentRules& rules) {
    return grey(deviationGrey<Maths>(q, rules));
}

// One scratch: n segments from (x, y) in the direction whose cosine, sine and
// tangent are ct, st and tt.
struct Scratch {
    std::int16_t n;
    float ct, st, tt;
    double x, y;
};

// Draws the scratch's four numbers from next() in order, each step failing
// where its own computation fails.
template <typename Maths = GuardedMaths, typename Next>
Scratch makeScratch(Next&& next, const ScratchRules& rules) {
    Scratch scratch{};
    const float u1 = next();
    scratch.n = toInt16Round(static_cast<float>(rules.span) * u1 + static_cast<float>(rules.nmin));

    const float u2 = next();
    const double theta = static_cast<double>(m1::torad) * 360.0 * u2;
    const rounded::Trigonometry direction = Maths::direction(theta);
    scratch.ct = direction.c;
    scratch.st = direction.s;
    scratch.tt = direction.t;

    const float u3 = next();
    const float u4 = next();
    scratch.x = 2.0 - 4.0 * u3;
    scratch.y = 2.0 - 4.0 * u4;
    return scratch;
}

class WalkPair;

// The segments of one scratch in order: terms() for the segment that starts
// at the current point, then segmentColour() of them, then line() for it,
// which moves on to its end; colour() does the first two. The colour comes
// apart from the rest so that the drawing in batches can take it later:
// whether a segment is lit is known late and cannot be foreseen, and the
// processor would otherwise throw away the work it began on the next
// segments.
template <typename Maths = GuardedMaths> class ScratchWalk {
public:
    ScratchWalk(const Scratch& scratch, const SegmentRules& rules)
        : scratch_(scratch), rules_(rules), x_(scratch.x), y_(scratch.y) {}

    DeviationTerms terms() {
        const double squared = x_ * x_ + y_ * y_;
        // x_ and y_ lie within the single range (see line()): squared is a
        // number, never negative, and sqrt needs no call to set errno.
        if (!(squared >= 0.0))
            __builtin_unreachable();
        const double r = std::sqrt(squared);
        const rounded::Trigonometry polar = Maths::polar(x_, y_, squared, r);
        // Rebuilt from the polar form, so the single cphi and sphi enter every step.
        xe_ = static_cast<double>(scratch_.ct) * rules_.l + static_cast<double>(polar.c) * r;
        ye_ = static_cast<double>(rules_.l) * scratch_.st + static_cast<double>(polar.s) * r;
        return deviationTerms(polar.t, scratch_.tt);
    }

    Colour colour() { return segmentColour<Maths>(terms(), rules_); }

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
    friend class WalkPair;

    Scratch scratch_;
    SegmentRules rules_;
    double x_, y_;
    double xe_ = 0.0, ye_ = 0.0;
};

// Two scratches walked at once in the lanes of a Pair, each lane as its
// ScratchWalk walks it alone: the same operations, each rounding as on one
// double, but for -1 / tphi, taken in double and then rounded to single,
// which gives the single division's result (53 bits are more than twice 24
// and 2). A step that would take another way than the common one (a guard
// that cannot prove its value, tphi = 0, a value beyond the single range) is
// left to the walks themselves. Both walks follow the same rules. The pair
// holds the walks' places while it walks them, in its lanes: leave() gives
// them back, and join() takes them again after the walks went on alone.
class WalkPair {
public:
    WalkPair(ScratchWalk<>& a, ScratchWalk<>& b)
        : a_(a), b_(b), ct_{a.scratch_.ct, b.scratch_.ct}, st_{a.scratch_.st, b.scratch_.st},
          tt_{a.scratch_.tt, b.scratch_.tt}, l_(Pair{} + a.rules_.l) {
        join();
    }

    // The next segment of each walk: its terms, and its line as line() gives
    // it in colour 0; false, with neither moved on, where either needs its
    // walk's own way.
    bool step(DeviationTerms (&terms)[2], ColouredLine (&lines)[2]) {
        const Pair squared = x_ * x_ + y_ * y_;
        const Pair r = root(squared);
        rounded::PolarForm<Pair> polar;
        const PairMask proved = rounded::polarShortcut(x_, y_, squared, r, polar);
        const Pair xe = ct_ * l_ + polar.c * r;
        const Pair ye = l_ * st_ + polar.s * r;
        const Pair m = asSingle(-1.0 / polar.t);
        const PairFloat xes = __builtin_convertvector(xe, PairFloat);
        const PairFloat yes = __builtin_convertvector(ye, PairFloat);
        constexpr double kLargest = std::numeric_limits<float>::max();
        // tphi = 0 gives an infinite m, as a single slope beyond range does.
        const PairMask common = proved & (magnitude(m) <= kLargest) &
                                (magnitude(__builtin_convertvector(xes, Pair)) <= kLargest) &
                                (magnitude(__builtin_convertvector(yes, Pair)) <= kLargest);
        if (lanesWhere(common) != 3) [[unlikely]]
            return false;
        const Pair numerator = m - tt_, denominator = m * tt_ + 1.0;
        const PairFloat xs = __builtin_convertvector(x_, PairFloat);
        const PairFloat ys = __builtin_convertvector(y_, PairFloat);
        for (int i = 0; i < 2; ++i) {
            terms[i] = {numerator[i], denominator[i]};
            lines[i] = {xs[i], ys[i], xes[i], yes[i], 0};
        }
        x_ = xe;
        y_ = ye;
        return true;
    }

    void leave() {
        a_.x_ = x_[0];
        a_.y_ = y_[0];
        b_.x_ = x_[1];
        b_.y_ = y_[1];
    }
    void join() {
        x_ = Pair{a_.x_, b_.x_};
        y_ = Pair{a_.y_, b_.y_};
    }

private:
    ScratchWalk<>& a_;
    ScratchWalk<>& b_;
    Pair ct_, st_, tt_, l_;
    Pair x_{}, y_{};
};

} // namespace vorlane::sim
