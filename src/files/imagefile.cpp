#include "imagefile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <new>

namespace vorlane::files {

QByteArray imageFileContent(const QImage& image, const char* format) {
    // Qt writes 32-bit images as 24-bit bitmaps without compression but keeps
    // 8-bit ones as palette images, so every image goes through RGB32.
    // Qt gives a null image where the memory for the copy is missing.
    const QImage converted = image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull() && !image.isNull())
        throw std::bad_alloc();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(converted))
        return {};
    return buffer.data();
}

} // namespace vorlane::files
