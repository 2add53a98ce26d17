// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The renderer's work: the picture that Vorlane would show, drawn headless
// and written to a file.

#include "options.h"
#include "sim/command/fields.h"
#include "sim/pixels/buffercanvas.h"
#include "sim/rules/errors.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <string>

namespace vorlane::render {

// The ways the renderer ends.
enum ExitStatus { kWritten = 0, kDrawingFailed = 1, kRefused = 2 };

// Told how many scratches of which picture are done.
using Progress = std::function<void(int picture, std::int64_t done, std::int64_t total)>;

// Draws the number-th picture after a start on the canvas. The random numbers
// of the ones before it are skipped where the values tell how many they use;
// otherwise those are drawn on it too, from the same stream, and like Vorlane
// the renderer goes on after an error in one of them. An error in the last one
// is thrown.
void drawPicture(const sim::RingFields& fields, int number, int threads, sim::BufferCanvas& canvas,
                 const Progress& progress = {});

// The canvas's pixels as an image that shares them: valid while the canvas
// lives and is not resized.
QImage imageOf(const sim::BufferCanvas& canvas);

// Everything the command line asked for; messages go to stderr.
ExitStatus run(const Options& options);

} // namespace vorlane::render
