// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Progress of a long drawing on a terminal, refreshed in place.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace vorlane::render {

class ProgressMeter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Output = std::function<void(const std::string& text)>;

    // The default output is stderr; the clock is there for tests.
    explicit ProgressMeter(Output out = toStderr, Clock clock = std::chrono::steady_clock::now);

    // The drawing of the picture-th of pictures has done scratches out of total.
    void update(int picture, int pictures, std::int64_t done, std::int64_t total);
    // Ends the line if anything was shown.
    void finish();

private:
    static void toStderr(const std::string& text);

    Output out_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point shown_;
    std::int64_t finished_ = 0; // scratches of the pictures already drawn
    int picture_ = 1;
    bool showing_ = false;
};

} // namespace vorlane::render
