// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The numeric rules of the drawing command: reading a field's text as a
// number, the conversions to the widths the command works in, and arithmetic
// that raises a RuntimeError on overflow, division by zero or an invalid
// operation instead of wrapping or producing an infinity.

#include "errors.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

namespace vorlane::sim {

// Reads a decimal number: blanks around it, an optional sign, digits with an
// optional "." fraction, an optional exponent; "." whatever the locale.
// Anything else is TypeMismatch; a value beyond the double range is Overflow.
double parseNumber(std::string_view text);

// Rounded towards minus infinity to 16 bits.
std::int16_t toInt16Floor(double value);
// Rounded to the nearest integer, a half going to the even neighbour.
std::int16_t toInt16Round(double value);
std::int32_t toInt32Round(double value);

// A finite double as a single; Overflow when it lies beyond the single range.
inline float toSingle(double value) {
    const float f = static_cast<float>(value);
    if (std::isinf(f)) [[unlikely]]
        raise(ErrorKind::Overflow);
    return f;
}

// A floating-point result, watched: an infinity is an overflow and a NaN an
// invalid operation, which reports as an overflow too.
template <typename F> inline F checked(F value) {
    if (!std::isfinite(value)) [[unlikely]]
        raise(ErrorKind::Overflow);
    return value;
}

// A division, watched: a zero divisor is DivisionByZero (0 / 0 is an invalid
// operation and reports as Overflow).
template <typename F> inline F divide(F numerator, F divisor) {
    if (divisor == F(0)) [[unlikely]]
        raise(numerator == F(0) ? ErrorKind::Overflow : ErrorKind::DivisionByZero);
    return checked(numerator / divisor);
}

template <typename I> inline I add(I a, I b) {
    I sum;
    if (__builtin_add_overflow(a, b, &sum)) [[unlikely]]
        raise(ErrorKind::Overflow);
    return sum;
}

template <typename I> inline I subtract(I a, I b) {
    I difference;
    if (__builtin_sub_overflow(a, b, &difference)) [[unlikely]]
        raise(ErrorKind::Overflow);
    return difference;
}

} // namespace vorlane::sim
