// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where and how "draw rings" draws: the main window's size, which the canvas
// is fitted into, and the threads and progress reports of the drawing.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <thread>

#ifdef __linux__
#include <sched.h>
#endif

namespace vorlane::sim {

// The outer size of the main window, in twips.
struct WindowSize {
    float height = 0.0f;
    float width = 0.0f;
};

// What "draw rings" leaves out of the main window's outer size when it fits
// the canvas: the canvas is this much less high and less wide, in twips.
inline constexpr WindowSize kCanvasMargins{500.0f, 200.0f};

// Told now and then, on the calling thread, how many scratches are done out
// of all. While it runs no thread draws on the canvas, so it may read the
// pixels; what it throws ends the drawing.
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

// How the drawing runs; the picture does not depend on it.
struct DrawSettings {
    int threads = 1; // 1 draws on the calling thread alone
    Progress progress;
};

// The threads that a drawing uses unless told otherwise: one for each
// processor that this process may run on (taskset and a container's set of
// processors narrow them), at least one where it cannot tell.
inline int everyProcessor() {
#ifdef __linux__
    cpu_set_t processors;
    if (sched_getaffinity(0, sizeof processors, &processors) == 0)
        return std::max(1, CPU_COUNT(&processors));
#endif
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace vorlane::sim
