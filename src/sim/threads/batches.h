// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The scratches of "draw rings" in batches on a raster canvas, on as many
// threads as the settings ask: the calling thread draws each batch's random
// numbers, all threads compute the segments of whole scratches, then each
// thread draws every line of the batch, in order, into its own band of rows.

#include "sim/pixels/raster.h"
#include "sim/rules/drawsettings.h"
#include "sim/rules/random.h"
#include "sim/scratch/scratch.h"

#include <cstdint>

namespace vorlane::sim {

// Draws `lines` scratches as the drawing one by one would. The numbers come
// from `ahead`, a copy of `random`, read ahead by up to a batch; `random` is
// moved on by exactly the numbers that the drawing one by one takes, up to
// and including the step that fails.
void drawInBatches(RasterCanvas& f1, RandomSource& random, RandomSource& ahead,
                   const ScratchRules& scratchRules, const SegmentRules& segmentRules,
                   std::int64_t lines, const DrawSettings& settings);

} // namespace vorlane::sim
