// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "lines.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vorlane::sim {

namespace {

// Floats as ints in the same order, from -inf to +inf (-0 and +0 as one).
std::int32_t keyOf(float f) {
    const auto bits = std::bit_cast<std::int32_t>(f);
    return bits >= 0 ? bits : std::numeric_limits<std::int32_t>::min() - bits;
}

float floatOf(std::int32_t key) {
    return std::bit_cast<float>(key >= 0 ? key : std::numeric_limits<std::int32_t>::min() - key);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// The least float for which `holds` (false, then true, as floats grow), or
// the greatest where kGreatest (true, then false); NaN where none.
template <bool kGreatest, typename Holds> float boundary(Holds holds) {
    std::int64_t from = keyOf(-kInfinity), to = keyOf(kInfinity);
    if (!holds(floatOf(static_cast<std::int32_t>(kGreatest ? from : to))))
        return kNaN;
    // holds() at `to` (at `from` where kGreatest) all along.
    while (from < to) {
        const std::int64_t middle = from + (to - from + kGreatest) / 2;
        const bool held = holds(floatOf(static_cast<std::int32_t>(middle)));
        if (kGreatest) {
            if (held)
                from = middle;
            else
                to = middle - 1;
        } else {
            if (held)
                to = middle;
            else
                from = middle + 1;
        }
    }
    return floatOf(static_cast<std::int32_t>(from));
}

} // namespace

BandReach::BandReach(const PixelMapping& mapping, RowBand band, double reach)
    : mapping_(mapping), band_(band), reach_(reach) {
    if (!std::isfinite(mapping.top) || !std::isfinite(mapping.scaleY))
        return;
    rising_ = mapping.scaleY > 0.0;
    falling_ = mapping.scaleY < 0.0;
    if (!rising_ && !falling_)
        return;
    // A height's row as the mapping gives it, and the limits of mayReach().
    const auto row = [&](float y) { return mapping({0.0f, y, 0.0f, y, 0}).y0; };
    const double first = band.first - reach, end = band.end + reach;
    const auto fromFirst = [&](float y) { return row(y) >= first; };
    const auto fromEnd = [&](float y) { return row(y) >= end; };
    top_ = rising_ ? boundary<false>(fromFirst) : boundary<true>(fromFirst);
    bottom_ = rising_ ? boundary<false>(fromEnd) : boundary<true>(fromEnd);
}

} // namespace vorlane::sim
