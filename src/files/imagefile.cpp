// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imagefile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include <new>

namespace vorlane::files {

QByteArray imageFileContent(const QImage& image, const char* format) {
    // Qt writes 32-bit images as 24-bit bitmaps without compression but keeps
    // 8-bit ones as palette images, so every image goes through RGB32.
    // Qt gives a null image where the memory for the copy is missing.
    const QImage converted = image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull() && !image.isNull())
        throw std::bad_alloc();
    // The encoder writes into content itself, its only owner: a copy taken
    // from the buffer would share the bytes, and the first change below
    // would then copy them all.
    QByteArray content;
    QBuffer buffer(&content);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(converted))
        return {};
    buffer.close();
    // Qt writes the image's dots per metre, which follow the screen's density
    // (100 dpi without a screen): a bitmap states 96 dpi whatever the screen,
    // so that the same picture makes the same file everywhere.
    if (qstrcmp(format, "BMP") == 0) {
        constexpr qint32 kDotsPerMetre = 3780;
        constexpr qsizetype kResolutionAt = 38; // the info header's x and y resolution
        for (qsizetype at : {kResolutionAt, kResolutionAt + 4})
            qToLittleEndian(kDotsPerMetre, content.data() + at);
    }
    return content;
}

} // namespace vorlane::files
