// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The drawing's arctangents, sines, cosines and tangents, each as the
// correctly rounded double would give it, so that a picture is the same on
// every machine, C library and processor. Three stages, each tried only where
// the one before cannot prove its result:
//
//   1. the geometry: cos, sin and tan of a point's polar angle from x / r,
//      y / r and y / x, rotated by the single pi's excess for x < 0;
//   2. the C library's own function, trusted to within two ulps;
//   3. MPFR at 53 bits over the double's exponent range: the reference.
//
// Why a guard that holds gives the reference's value
// --------------------------------------------------
// u = 2^-53. A single s is the rounding of an exact value v exactly when v
// lies strictly between the midpoints m- and m+ from s to its neighbours (a
// value on a midpoint goes to the even one). The drawing takes each value as
// a double first, RN53(v), and then the single. If v - m- > u|v| + |v - v^|
// for a computed v^, then RN53(v) > m- too, so RN24(RN53(v)) = s. So a value
// v^ with an error bound e is accepted when every double within e' = e +
// 2u|v^| of it (the double's rounding) rounds to one single: as rounding
// keeps the order, when both ends of that interval do. roundsSurely() moves
// each end a further u|v^| out, for its own rounding, and pads the sum by a
// tenth, for singles of the normal range. Values below 2^-26 go to the next
// stage.
//
// Stage 1, the polar form (polarShortcut). The reference's angle is
// phi = RN(atan(RN(y/x))), plus the single pi p (rounded) for x < 0. The
// quotient's rounding moves atan by at most u |q| / (1 + q^2) <= u/2, the
// arctangent's by u (|atan| < 2), the sum's by 4u (phi < 4.72): phi lies
// within delta = 6u of t0 + (x < 0 ? eps : 0), where t0 is the exact angle of
// (x, y) and eps = p - pi. The cosine and the sine move by at most delta. With
// r^ = RN(sqrt(RN(RN(x^2) + RN(y^2)))) = r (1 + eta), |eta| <= 2.02u, x times
// the rounded 1 / r^, rounded, is cos t0 within 4.1u relatively (one division
// for both), y likewise sin t0, and y / x rounded is tan t0 within u. For
// x < 0 the values are rotated by eps: cos t0 cos eps - sin t0 sin eps and
// sin t0 cos eps + cos t0 sin eps with the rounded cos eps and sin eps add
// 2.1u relative to each product and u to the sum; as |cos t0| <=
// |cos(t0 + eps)| + eps, all of it stays within 7.3u |v^| + 1e-6 u. So for
// cosine and sine: e = 7.3u |v^| + 6.1u, which polarError() pads.
// The tangent moves by delta (1 + t^2)(1 + 2^-20) from t0 (+ eps) to phi, as
// |t| <= 2^26 keeps the pole 2^-26 away. For x > 0 t^ = RN(y/x) has the
// relative error u. For x < 0 it is (t^0 + T) / (1 - t^0 T) with T = RN(tan
// eps), taken as the numerator times the rounded 1 / denominator: the
// numerator errs by u |t^0| + u T absolutely and u relatively, the
// denominator by 3u |t^0 T| absolutely and u relatively, the quotient by 2u;
// rotatedTangentError() adds these up as absolute errors from the computed
// parts, with |1 / denominator| for |t^| / |numerator| (padded by 2 %, for
// the parts' own small errors), so that it needs no division. Only |cos|,
// |sin| >= 2^-26 (so 2^-26 <= |t| <= 2^26) and r^2 >= 2^-960 (no term below
// the double range) take this stage; the origin and x = 0 take the rule's
// literal way (stage 3). The stage reads the same for one point and for two
// in the lanes of a Pair (lanes.h), each lane rounding as a double does; it
// works out both forms, for x > 0 and x < 0, and each lane takes its own.
//
// Stage 2, the library (libraryBracket). glibc's manual lists at most one ulp
// of error for its atan, sin, cos and tan on x86-64; the guard allows two,
// as four steps of the double's bits on either side (which covers two ulps
// on both sides of a power of two). The reference's RN53(f(x)) lies
// in [lo, hi], so anything made from it by steps that keep the order
// (rounding, products with a positive constant, the grey rule) lies between
// what lo and hi give: when those agree, it is the reference's. Without
// glibc this stage is skipped.
//
// The lit test (unlitFrom). A segment is unlit when the single of
// d = RN(todeg RN(atan |q|)) is at least the limit A, which holds once
// d > m, the midpoint below A. That follows from atan |q| > (m / todeg)
// (1 + 2^-40) (the two roundings move it by 2u); the bound beta is that
// angle computed with a margin of 2^-38 (more than its two roundings take
// away), and unlitFrom is the correctly rounded tan(beta) moved up a step of
// its bits, above tan(beta): |q| >= unlitFrom gives atan |q| >= beta, so
// RN(atan |q|) >= beta and d >= RN(todeg beta) > m. Only the segments below
// it need an arctangent, and their grey takes stage 2, then 3. A limit of 0
// or less leaves every segment unlit (unlitFrom = 0); one of 89 degrees or
// more, or below 2^-100, makes no bound (every segment takes stage 2).
// The test needs no division (quotientSurelyFrom): for q = n / d and U =
// unlitFrom, |n| >= RN(RN(U (1 + 2^-50)) |d|) gives |n / d| > U, hence
// RN(|q|) >= U, as both products stay normal (U >= 2^-106 or 0, and |d| >=
// 2^-298 as 1 plus a product of singles, or a single).

#include "lanes.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace vorlane::sim::rounded {

// The reference: the correctly rounded double of each function, from MPFR.
double atan(double x);
double sin(double x);
double cos(double x);
double tan(double x);

// The cosine, sine and tangent of an angle, each rounded to single.
struct Trigonometry {
    float c, s, t;
};

// How often this thread's values took the later stages: the polar values of
// a segment that reached the reference, the directions of a scratch likewise
// (every direction starts at the library), and the arctangents of deviations
// that reached the library and the reference.
struct StageCounts {
    std::uint64_t polarReference = 0;
    std::uint64_t directionReference = 0;
    std::uint64_t deviationLibrary = 0, deviationReference = 0;
};
inline thread_local StageCounts stageCounts;

// The polar angle of (x, y) as the drawing rule takes it (the single pi added
// for x < 0, 1e-9 in the place of x = 0) and its cosine, sine and tangent,
// all correctly rounded: the last stage.
Trigonometry referencePolar(double x, double y);

// The cosine, sine and tangent of theta, correctly rounded to double and then
// to single: through stages 2 and 3, and from stage 3 alone.
Trigonometry direction(double theta);
Trigonometry referenceDirection(double theta);

// The least |q| from which a segment is surely unlit at the angle limit a:
// 0 for a <= 0 (every segment is unlit), infinity where no bound is made.
double unlitFrom(float a);

namespace detail {

inline constexpr double u = 0x1p-53;
// eps = single pi - pi, and its cosine, sine and tangent rounded to double.
inline constexpr double kCosEps = 0x1.fffffffffffdep-1;
inline constexpr double kSinEps = 0x1.777a5cf72cec6p-24;
inline constexpr double kTanEps = 0x1.777a5cf72cedfp-24;
// The least |cos| and |sin| that stage 1 takes: below it, its absolute error
// of 6.8u covers much of a single's spacing, and the reference is as quick.
inline constexpr double kSmallest = 0x1p-26;

// The double `steps` steps of its bits away from v, towards zero when steps
// is negative; v is finite, nonzero and further than |steps| steps from zero.
inline double stepped(double v, int steps) {
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) + static_cast<std::int64_t>(steps));
}

} // namespace detail

// The guards of stage 1 for one value (V = double) or two (V = Pair, whose
// lanes round as doubles do): a bool, or a PairMask of the lanes where the
// guard holds.
template <typename V> using MaskOf = decltype(V{} < V{});

// Whether v^, within e of an exact v with 2^-26 <= |v^| <= 2^27, proves the
// single of RN53(v): both ends of [v^ - e', v^ + e'] round to it, with e'
// as the error argument above gives it. `single` is that single, as a double.
template <typename V> MaskOf<V> roundsSurely(V v, V e, V& single) {
    const V margin = e + 3.3 * detail::u * magnitude(v);
    single = asSingle(v - margin);
    return single == asSingle(v + margin);
}

// The error bound of a cosine or sine from the polar form, stage 1.
template <typename V> V polarError(V v) {
    return 8.0 * detail::u * magnitude(v) + 6.8 * detail::u;
}

// The error bound of a tangent t^ from the polar form whose own computation
// errs by `computed`: the angle's error through the slope 1 + t^2, and that.
template <typename V> V tangentError(V t, V computed) {
    return 6.2 * detail::u * (1.0 + t * t) * 1.02 + computed;
}

// The error of t^ = (t0 + T) * RN(1 / (1 - t0 T)), the tangent rotated by
// eps, from t0 and the computed t^ and 1 / (1 - t0 T).
template <typename V> V rotatedTangentError(V t0, V rotated, V scale) {
    using detail::u;
    const V t = magnitude(t0), r = magnitude(rotated), i = magnitude(scale);
    const V numerator = (u * t + u * detail::kTanEps) * i;
    const V denominator = 3.0 * u * t * detail::kTanEps * r * i;
    return (numerator + denominator + 4.0 * u * r) * 1.02;
}

// The cosine, sine and tangent of a point's polar angle, each a single's
// value as a double, for one point or two.
template <typename V> struct PolarForm {
    V c, s, t;
};

// Stage 1: cos, sin and tan of the point's polar angle from its geometry;
// where the guard cannot prove all three (or the point is outside the
// stage's range), false or a lane left out, and `out` undefined there.
// `squared` and `r` are the drawing's x^2 + y^2 and its root. Both forms are
// worked out, the rotated one only used for x < 0, as two lanes may differ.
template <typename V>
[[gnu::always_inline]] inline MaskOf<V> polarShortcut(V x, V y, V squared, V r,
                                                      PolarForm<V>& out) {
    using detail::u;
    const V inverse = 1.0 / r;
    const V c0 = x * inverse, s0 = y * inverse, t0 = y / x;
    const V scale = 1.0 / (1.0 - t0 * detail::kTanEps);
    const V rotated = (t0 + detail::kTanEps) * scale;
    const MaskOf<V> positive = x > 0.0;
    const V c = positive ? c0 : c0 * detail::kCosEps - s0 * detail::kSinEps;
    const V s = positive ? s0 : s0 * detail::kCosEps + c0 * detail::kSinEps;
    const V t = positive ? t0 : rotated;
    const V tError = tangentError(t, positive ? 1.01 * u * magnitude(t0)
                                              : rotatedTangentError(t0, rotated, scale));
    // & of the guards, which are all ones or all zeros in each lane of a
    // PairMask, where && would test each lane again.
    return (squared >= 0x1p-960) & (x != 0.0) & (magnitude(c) >= detail::kSmallest) &
           (magnitude(s) >= detail::kSmallest) & roundsSurely(c, polarError(c), out.c) &
           roundsSurely(s, polarError(s), out.s) & roundsSurely(t, tError, out.t);
}

// The cosine, sine and tangent of the polar angle of (x, y) as the drawing
// rule takes it, each correctly rounded to double and then to single.
inline Trigonometry polar(double x, double y, double squared, double r) {
    PolarForm<double> form;
    if (!polarShortcut(x, y, squared, r, form)) [[unlikely]]
        return referencePolar(x, y);
    return {static_cast<float>(form.c), static_cast<float>(form.s), static_cast<float>(form.t)};
}

// Whether RN(|n / d|) >= from, without the division; false where it cannot
// tell. from is unlitFrom(); |d| >= 2^-298 (see the lit test above).
inline bool quotientSurelyFrom(double n, double d, double from) {
    return std::fabs(n) >= from * (1.0 + 0x1p-50) * std::fabs(d);
}

// Stage 2: the doubles between which the correctly rounded f(v) lies, from
// the library's value `library` of f(v); false when the library cannot be
// trusted here (none but glibc, or a value at zero or infinity).
inline bool libraryBracket(double library, double& lo, double& hi) {
#ifdef __GLIBC__
    constexpr int kSteps = 4;
    const std::uint64_t magnitude = std::bit_cast<std::uint64_t>(std::fabs(library));
    if (magnitude <= kSteps || magnitude >= std::bit_cast<std::uint64_t>(HUGE_VAL) - kSteps)
        return false;
    lo = detail::stepped(library, library > 0.0 ? -kSteps : kSteps);
    hi = detail::stepped(library, library > 0.0 ? kSteps : -kSteps);
    return true;
#else
    (void)library, (void)lo, (void)hi;
    return false;
#endif
}

} // namespace vorlane::sim::rounded
