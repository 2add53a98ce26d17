// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <QtGlobal>

#include <limits>

class QImage;

namespace vorlane::files {

// The image as the content of a file in the format given ("BMP", "PNG"),
// every pixel in 24-bit colour; empty when the writer fails. Throws
// std::bad_alloc where the memory runs out.
QByteArray imageFileContent(const QImage& image, const char* format);

// A 24-bit bitmap's header gives the size of its pixel data as a signed
// 32-bit number: less than 2 GiB.
inline constexpr qint64 kMostBmpPixelBytes = std::numeric_limits<qint32>::max();

// The bytes of pixel data of a 24-bit bitmap: 3 a pixel, rows padded to 4.
constexpr qint64 bmpPixelBytes(qint64 width, qint64 height) {
    return (3 * width + 3) / 4 * 4 * height;
}

} // namespace vorlane::files
