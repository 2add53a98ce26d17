#pragma once

// Progress of a long drawing on a terminal, refreshed in place.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace vorlane::render {

class ProgressMeter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Writes to out; the clock is there for tests.
    explicit ProgressMeter(std::FILE* out, Clock clock = std::chrono::steady_clock::now);

    // The drawing of the picture-th of pictures has done scratches out of total.
    void update(int picture, int pictures, std::int64_t done, std::int64_t total);
    // Ends the line if anything was shown.
    void finish();

    // The line shown, e.g. "picture 2 of 3: 45% done, 120000 scratches/s".
    static std::string line(int picture, int pictures, double share, double perSecond);

private:
    std::FILE* out_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point shown_;
    std::int64_t finished_ = 0; // scratches of the pictures already drawn
    int picture_ = 1;
    bool showing_ = false;
};

} // namespace vorlane::render
