// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether text can be read on its background, judged from the pixels.

#include <QHash>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vorlane::test {

// The contrast of two colours as the web's accessibility guidelines define it.
inline double contrast(QRgb a, QRgb b) {
    const auto luminance = [](QRgb rgb) {
        const auto linear = [](int c) {
            const double s = c / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) +
               0.0722 * linear(qBlue(rgb));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The commonest colour in the area (its background) and the one that
// contrasts with it most (the heart of its text's strokes).
inline std::pair<QRgb, QRgb> backAndText(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb back = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > counts.value(back))
            back = it.key();
    QRgb text = back;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (contrast(it.key(), back) > contrast(text, back))
            text = it.key();
    return {back, text};
}

} // namespace vorlane::test
