// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vorlane::bench {

// Times whole vorlane-render processes (the program at `render`) against
// processes that run the floor (`self` with --floor N), at 300,000 and
// 1,000,000 scratches, on one and two threads with pen widths 1 and 3, in
// `rounds` interleaved rounds, and prints the medians and their ratios.
int compareWholeProcesses(const std::string& self, const std::string& render, int rounds);

} // namespace vorlane::bench
