#pragma once

#include <QByteArray>

class QImage;

namespace vorlane::files {

// The image as the content of a file in the format given ("BMP", "PNG"),
// every pixel in 24-bit colour; empty when the writer fails.
QByteArray imageFileContent(const QImage& image, const char* format);

} // namespace vorlane::files
