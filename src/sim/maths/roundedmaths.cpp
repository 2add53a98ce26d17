// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundedmaths.h"

#include "m1.h"
#include "sim/rules/numeric.h"

#include <mpfr.h>

namespace vorlane::sim::rounded {

namespace {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// Two numbers of the double's 53 bits, made once a thread.
struct Operands {
    mpfr_t argument, result;
    Operands() {
        mpfr_init2(argument, 53);
        mpfr_init2(result, 53);
    }
    // MPFR keeps constants such as pi for each thread that used them; a
    // drawing thread that ends gives them back.
    ~Operands() {
        mpfr_clear(argument);
        mpfr_clear(result);
        mpfr_free_cache2(MPFR_FREE_LOCAL_CACHE);
    }
    Operands(const Operands&) = delete;
    Operands& operator=(const Operands&) = delete;
};

// f(x) rounded once, to the nearest double: MPFR rounds correctly at the
// working precision, and with the double's exponent range (subnormals
// included) that precision is the double's.
template <MpfrFunction f> double correctly(double x) {
    thread_local Operands operands;
    const mpfr_exp_t emin = mpfr_get_emin();
    const mpfr_exp_t emax = mpfr_get_emax();
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    mpfr_set_d(operands.argument, x, MPFR_RNDN);
    int inexact = f(operands.result, operands.argument, MPFR_RNDN);
    inexact = mpfr_check_range(operands.result, inexact, MPFR_RNDN);
    mpfr_subnormalize(operands.result, inexact, MPFR_RNDN);
    const double value = mpfr_get_d(operands.result, MPFR_RNDN);
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
    return value;
}

// The single of the library's value when the reference's cannot differ.
bool librarySingle(double library, float& single) {
    double lo, hi;
    if (!libraryBracket(library, lo, hi))
        return false;
    single = static_cast<float>(lo);
    return std::bit_cast<std::uint32_t>(single) ==
           std::bit_cast<std::uint32_t>(static_cast<float>(hi));
}

} // namespace

double atan(double x) {
    return correctly<mpfr_atan>(x);
}
double sin(double x) {
    return correctly<mpfr_sin>(x);
}
double cos(double x) {
    return correctly<mpfr_cos>(x);
}
double tan(double x) {
    return correctly<mpfr_tan>(x);
}

Trigonometry referencePolar(double x, double y) {
    ++stageCounts.polarReference;
    const double phi = m1::polarangle(x, y);
    // cos and sin lie within [-1, 1]; the tangent of a double, within the
    // single range (no double lies nearer pi/2 than 1e-17): no checks.
    return {static_cast<float>(cos(phi)), static_cast<float>(sin(phi)),
            static_cast<float>(tan(phi))};
}

Trigonometry referenceDirection(double theta) {
    ++stageCounts.directionReference;
    return {toSingle(cos(theta)), toSingle(sin(theta)), toSingle(tan(theta))};
}

Trigonometry direction(double theta) {
    double s, c;
    ::sincos(theta, &s, &c);
    Trigonometry values;
    if (librarySingle(c, values.c) && librarySingle(s, values.s) &&
        librarySingle(std::tan(theta), values.t))
        return values;
    return referenceDirection(theta);
}

double unlitFrom(float a) {
    if (!(a > 0.0f))
        return 0.0; // d >= 0 >= a: every segment is unlit
    if (!(a >= 0x1p-100f && a < 89.0f))
        return HUGE_VAL;
    // The midpoint below a, exactly, and the angle beyond which every d
    // rounds to a single of at least a.
    const double midpoint = (static_cast<double>(a) + std::nextafter(a, 0.0f)) * 0.5;
    const double beta = midpoint / static_cast<double>(m1::todeg) * (1.0 + 0x1p-38);
    // The correctly rounded tangent errs by half an ulp: one step up lies above.
    return detail::stepped(tan(beta), 1);
}

} // namespace vorlane::sim::rounded
