// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imagefile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace vorlane::files {

QByteArray imageFileContent(const QImage& image, const char* format) {
    // Qt writes 32-bit images as 24-bit bitmaps without compression but keeps
    // 8-bit ones as palette images, so every image goes through RGB32.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32)))
        return {};
    return buffer.data();
}

} // namespace vorlane::files
