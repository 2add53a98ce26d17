// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "draw rings": fits the canvas into the main window, paints the sky, marks
// the light source and draws the random scratches whose lit segments form
// rings about it.

#include "fields.h"
#include "sim/pixels/canvas.h"
#include "sim/rules/drawsettings.h"
#include "sim/rules/random.h"

#include <cstdint>
#include <optional>

namespace vorlane::sim {

// Runs the whole command on f1; a RuntimeError ends it at the failing step and
// leaves whatever was drawn before. Threads other than the calling one draw
// only on a raster canvas with a stream that can be copied; whatever the
// settings, the pixels, the canvas's state and the stream's position come out
// as from the drawing on one thread, a failure included.
void cmdhex_Click(const RingFields& fc1, WindowSize main, Canvas& f1, RandomSource& random,
                  const DrawSettings& settings = {});

// How many random numbers a press of "draw rings" with these values takes
// from the stream, where the values alone tell: four a scratch when no
// segment can end the drawing with an error, none when the scratches' values
// stop it before the first; nothing when a segment could, and only drawing
// tells. (Where the pen width, the sky grey or the canvas stop a press before
// its scratches, every press with these values stops there, whatever the
// stream's position: the count does not matter then.)
std::optional<std::uint64_t> randomNumbersUsed(const RingFields& fc1);

} // namespace vorlane::sim
