// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a timing depends on besides the code: the processor and how busy the
// machine is.

#include <fstream>
#include <string>

namespace vorlane::bench {

// The processor's model name, as /proc/cpuinfo gives it.
inline std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

// The load averages over 1, 5 and 15 minutes.
inline std::string loadAverage() {
    std::ifstream load("/proc/loadavg");
    std::string one, five, fifteen;
    load >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace vorlane::bench
