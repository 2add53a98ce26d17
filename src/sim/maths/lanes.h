// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Two doubles at once, in GCC's vector extensions: SSE2 instructions on
// x86-64, plain ones elsewhere. Each lane rounds exactly as the same
// operation on one double, so a value does not depend on whether it was
// worked out alone or in a pair. A comparison gives a PairMask, all ones in
// the lanes where it holds; `mask ? a : b` chooses lane by lane.

#include <cmath>
#include <cstdint>
#include <limits>

namespace vorlane::sim {

using Pair = double __attribute__((vector_size(16)));
using PairMask = std::int64_t __attribute__((vector_size(16)));
using PairInt = std::int32_t __attribute__((vector_size(8)));
using PairFloat = float __attribute__((vector_size(8)));

// The lanes where c holds as bits 0 and 1 of an int (3 for both). Taken
// one comparison at a time: GCC 12 turns the & of several into much more.
inline int lanesWhere(PairMask c) {
#ifdef __SSE2__
    return __builtin_ia32_movmskpd((Pair)c); // the lanes' sign bits
#else
    return (c[0] ? 1 : 0) | (c[1] ? 2 : 0);
#endif
}

// The square root, and a NaN for a negative v, without the library's call
// that would set errno.
inline double root(double v) {
    return v >= 0.0 ? std::sqrt(v) : std::numeric_limits<double>::quiet_NaN();
}
inline Pair root(Pair v) {
#ifdef __SSE2__
    return __builtin_ia32_sqrtpd(v);
#else
    return Pair{root(v[0]), root(v[1])};
#endif
}

// |v|, for one double or two.
inline double magnitude(double v) {
    return std::fabs(v);
}
inline Pair magnitude(Pair v) {
    return (Pair)((PairMask)v & INT64_MAX);
}

// v rounded to single, as a double again.
inline double asSingle(double v) {
    return static_cast<float>(v);
}
inline Pair asSingle(Pair v) {
    return __builtin_convertvector(__builtin_convertvector(v, PairFloat), Pair);
}

} // namespace vorlane::sim
