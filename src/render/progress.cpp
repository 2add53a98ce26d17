// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

#include <algorithm>
#include <cstdio>

namespace vorlane::render {

namespace {
// Short drawings show nothing; longer ones are refreshed a few times a second.
constexpr std::chrono::milliseconds kQuietStart{1000};
constexpr std::chrono::milliseconds kRefresh{250};
} // namespace

ProgressMeter::ProgressMeter(Output out, Clock clock)
    : out_(std::move(out)), clock_(std::move(clock)), start_(clock_()) {}

void ProgressMeter::toStderr(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

namespace {
// The line shown, e.g. "picture 2 of 3: 45% done, 120000 scratches/s".
std::string line(int picture, int pictures, double share, double perSecond) {
    char text[128];
    std::snprintf(text, sizeof text, "picture %d of %d: %.0f%% done, %.0f scratches/s", picture,
                  pictures, 100.0 * share, perSecond);
    return text;
}
} // namespace

void ProgressMeter::update(int picture, int pictures, std::int64_t done, std::int64_t total) {
    if (picture != picture_) {
        // Every picture has the same number of scratches.
        finished_ += std::max<std::int64_t>(total, 0) * (picture - picture_);
        picture_ = picture;
    }
    const auto now = clock_();
    // The end of the last picture is always shown, so the line never stops
    // short of it; the ends of the others come too often with small ones.
    const bool refreshDue =
        !showing_ || now - shown_ >= kRefresh || (picture == pictures && done >= total);
    if (now - start_ < kQuietStart || !refreshDue)
        return;
    const double all = static_cast<double>(std::max<std::int64_t>(total, 1)) * pictures;
    const double drawn = static_cast<double>(finished_ + done);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    // \r and erase-line redraw the line in place.
    out_("\r\33[K" + line(picture, pictures, std::min(drawn / all, 1.0), drawn / seconds));
    shown_ = now;
    showing_ = true;
}

void ProgressMeter::finish() {
    if (showing_)
        out_("\n");
    showing_ = false;
}

} // namespace vorlane::render
