#pragma once

// The floor that the drawing is timed against: the values of every segment
// of the default drawing, computed as leanly as they can be with the same
// bits, and drawn nowhere.

#include "sim/random.h"

#include <cstdint>

namespace vorlane::bench {

// The default values of "draw rings".
inline constexpr std::int16_t kNmin = 4;
inline constexpr std::int16_t kSpan = 96;
inline constexpr float kSegmentLength = 0.02f;
inline constexpr float kAngleLimit = 15.0f;
inline constexpr std::int16_t kScratchGrey = 50;

// The ends and the grey of each segment of `scratches` scratches from the
// stream; returns the number of segments.
std::int64_t floorSegments(sim::Mt19937Source& random, std::int64_t scratches);

// The number of segments of the first `scratches` scratches of a fresh stream.
std::int64_t segmentsOf(std::int64_t scratches);

} // namespace vorlane::bench
