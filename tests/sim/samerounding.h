// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The drawing's guarded maths against the reference, value by value: the
// same singles and greys to the bit, and the same error where one is raised.
// Shared by the tests and the fuzz target.

#include "sim/scratch/scratch.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace vorlane::sim::testing {

// What a computation gave: its value's bits, or the error it raised.
struct Outcome {
    std::uint64_t bits = 0;
    std::optional<ErrorKind> error;
    bool operator==(const Outcome&) const = default;
};

template <typename Compute> Outcome outcomeOf(Compute compute) {
    try {
        return {compute(), std::nullopt};
    } catch (const RuntimeError& e) {
        return {0, e.kind()};
    }
}

inline std::uint64_t bitsOf(const rounded::Trigonometry& v) {
    return std::uint64_t{std::bit_cast<std::uint32_t>(v.c)} << 32 ^
           std::uint64_t{std::bit_cast<std::uint32_t>(v.s)} ^
           std::uint64_t{std::bit_cast<std::uint32_t>(v.t)} * 0x9e3779b97f4a7c15u;
}

template <typename Maths> Outcome polarOutcome(double x, double y) {
    return outcomeOf([&] {
        const double squared = x * x + y * y;
        return bitsOf(Maths::polar(x, y, squared, std::sqrt(squared)));
    });
}
inline bool samePolar(double x, double y) {
    return polarOutcome<GuardedMaths>(x, y) == polarOutcome<ReferenceMaths>(x, y);
}

template <typename Maths> Outcome directionOutcome(double theta) {
    return outcomeOf([&] { return bitsOf(Maths::direction(theta)); });
}
inline bool sameDirection(double theta) {
    return directionOutcome<GuardedMaths>(theta) == directionOutcome<ReferenceMaths>(theta);
}

template <typename Maths> Outcome greyOutcome(float tphi, float tt, const SegmentRules& rules) {
    return outcomeOf([&] { return static_cast<std::uint64_t>(grey(deviationGrey<Maths>(tphi, tt, rules))); });
}
inline bool sameGrey(float tphi, float tt, const SegmentRules& rules) {
    return greyOutcome<GuardedMaths>(tphi, tt, rules) ==
           greyOutcome<ReferenceMaths>(tphi, tt, rules);
}
template <typename Maths> Outcome quotientOutcome(double q, const SegmentRules& rules) {
    return outcomeOf([&] { return static_cast<std::uint64_t>(grey(Maths::quotientGrey(q, rules))); });
}
inline bool sameQuotientGrey(double q, const SegmentRules& rules) {
    return quotientOutcome<GuardedMaths>(q, rules) == quotientOutcome<ReferenceMaths>(q, rules);
}

// A scratch of n segments from (x, y) in the direction of the angle theta.
inline Scratch scratchAt(std::int16_t n, double x, double y, double theta) {
    const rounded::Trigonometry d = rounded::direction(theta);
    return Scratch{n, d.c, d.s, d.t, x, y};
}

// One step of two walks in the lanes of a WalkPair against each walk's own:
// the same terms and lines to the bit (together), or the step left to the
// walks (alone), as it must be where either fails (failed: the walks are
// spent). Both walks move on as their own steps would.
enum class PairedStep { together, alone, failed, differs };
inline PairedStep pairedStep(ScratchWalk<>& a, ScratchWalk<>& b) {
    ScratchWalk<>* const walks[2] = {&a, &b};
    ScratchWalk<> alone[2] = {a, b};
    DeviationTerms terms[2];
    ColouredLine lines[2];
    WalkPair pair(a, b);
    const bool together = pair.step(terms, lines);
    pair.leave();
    for (int lane = 0; lane < 2; ++lane) {
        try {
            const DeviationTerms expected = alone[lane].terms();
            const ColouredLine line = alone[lane].line(0);
            if (!together) {
                terms[lane] = walks[lane]->terms();
                lines[lane] = walks[lane]->line(0);
            }
            if (std::memcmp(&terms[lane], &expected, sizeof expected) != 0 ||
                std::memcmp(&lines[lane], &line, sizeof line) != 0)
                return PairedStep::differs;
        } catch (const RuntimeError&) {
            return together ? PairedStep::differs : PairedStep::failed;
        }
    }
    return together ? PairedStep::together : PairedStep::alone;
}

inline SegmentRules rulesFor(float a, std::int16_t s) {
    return {0.02f, a, s, rounded::unlitFrom(a)};
}

} // namespace vorlane::sim::testing
