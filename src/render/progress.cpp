#include "progress.h"

#include <algorithm>

namespace vorlane::render {

namespace {
// Short drawings show nothing; longer ones are refreshed a few times a second.
constexpr std::chrono::milliseconds kQuietStart{1000};
constexpr std::chrono::milliseconds kRefresh{250};
} // namespace

ProgressMeter::ProgressMeter(std::FILE* out, Clock clock)
    : out_(out), clock_(std::move(clock)), start_(clock_()) {}

std::string ProgressMeter::line(int picture, int pictures, double share, double perSecond) {
    char text[128];
    std::snprintf(text, sizeof text, "picture %d of %d: %.0f%% done, %.0f scratches/s", picture,
                  pictures, 100.0 * share, perSecond);
    return text;
}

void ProgressMeter::update(int picture, int pictures, std::int64_t done, std::int64_t total) {
    if (picture != picture_) {
        // Every picture has the same number of scratches.
        finished_ += std::max<std::int64_t>(total, 0) * (picture - picture_);
        picture_ = picture;
    }
    const auto now = clock_();
    // The end of a picture is always shown, so the line never stops short of it.
    const bool refreshDue = !showing_ || now - shown_ >= kRefresh || done >= total;
    if (now - start_ < kQuietStart || !refreshDue)
        return;
    const double all = static_cast<double>(std::max<std::int64_t>(total, 1)) * pictures;
    const double drawn = static_cast<double>(finished_ + done);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    // \r and erase-line redraw the line in place.
    std::fprintf(out_, "\r\33[K%s",
                 line(picture, pictures, std::min(drawn / all, 1.0), drawn / seconds).c_str());
    std::fflush(out_);
    shown_ = now;
    showing_ = true;
}

void ProgressMeter::finish() {
    if (showing_)
        std::fputc('\n', out_);
    showing_ = false;
}

} // namespace vorlane::render
