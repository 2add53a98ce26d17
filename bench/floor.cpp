// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "floor.h"

#include <benchmark/benchmark.h>

namespace vorlane::bench {

std::int64_t floorSegments(sim::Mt19937Source& random, std::int64_t scratches) {
    return floorSegments(random, scratches,
                         [](SegmentValues values) { benchmark::DoNotOptimize(values); });
}

} // namespace vorlane::bench
