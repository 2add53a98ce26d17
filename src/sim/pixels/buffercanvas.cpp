// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "buffercanvas.h"

#include "sim/rules/errors.h"

#include <cmath>
#include <cstdint>

#include <sys/mman.h>

namespace vorlane::sim {

int pixelsForTwips(float twips, double twipsPerPixel) {
    if (!(twips >= 0.0f) || !std::isfinite(twips))
        raise(ErrorKind::InvalidPropertyValue);
    const double pixels = std::round(static_cast<double>(twips) / twipsPerPixel);
    if (pixels > kMostCanvasPixels)
        raise(ErrorKind::InvalidPropertyValue);
    return static_cast<int>(pixels);
}

namespace {

// In pages of 2 MiB rather than 4 KiB, a picture of a few MiB takes a few
// page faults instead of a thousand, a part of every headless drawing's
// time. Only a hint: the system may keep small pages.
void askForHugePages(void* memory, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHuge - 1);
    if (first < end)
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)memory, (void)bytes;
#endif
}

} // namespace

BufferCanvas::BufferCanvas(int widthPixels, int heightPixels) {
    resize(widthPixels, heightPixels);
    cls();
}

void BufferCanvas::setHeight(float twips) {
    resize(width_, pixelsForTwips(twips, kTwipsPerPixel));
}

void BufferCanvas::setWidth(float twips) {
    resize(pixelsForTwips(twips, kTwipsPerPixel), height_);
}

// What was drawn does not survive a resize: the new area shows the background.
void BufferCanvas::resize(int widthPixels, int heightPixels) {
    if (widthPixels == width_ && heightPixels == height_)
        return;
    width_ = widthPixels;
    height_ = heightPixels;
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    // The old pixels go first, so that a resize never holds both.
    std::vector<std::uint32_t>().swap(pixels_);
    pixels_.reserve(count);
    askForHugePages(pixels_.data(), count * sizeof(std::uint32_t));
    pixels_.assign(count, toPixel(backColor()));
    attach({pixels_.data(), width_, height_, width_});
}

} // namespace vorlane::sim
