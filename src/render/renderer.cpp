// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "renderer.h"

#include "files/atomicfile.h"
#include "files/imagefile.h"
#include "files/parameterfile.h"
#include "progress.h"
#include "sim/command/rings.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <optional>
#include <unistd.h>

namespace vorlane::render {

namespace {

void complain(const QString& message) {
    std::fprintf(stderr, "vorlane-render: %s\n", qUtf8Printable(message));
}

// The fields from a parameter file, or why it cannot be used.
std::optional<sim::RingFields> fieldsOf(const QByteArray& fileName, QString& problem) {
    const files::parameterfile::Contents contents = files::parameterfile::read(fileName);
    if (!contents.problem.isEmpty()) {
        problem = contents.problem;
        return std::nullopt;
    }
    return sim::ringFieldsFrom([&contents](const char* name) {
        return contents.texts.value(QLatin1String(name)).toStdString();
    });
}

// Why a picture of this size cannot be written in this format, found before
// the drawing rather than after it.
std::optional<QString> whyNotInFormat(const Options& options) {
    const qint64 bytes = files::bmpPixelBytes(options.width, options.height);
    if (qstrcmp(options.format, "BMP") != 0 || bytes <= files::kMostBmpPixelBytes)
        return std::nullopt;
    return QStringLiteral("a 24-bit BMP of %1x%2 pixels would hold %3 bytes of pixel data, but a "
                          "BMP holds less than 2 GiB (at most %4 bytes); write it as .png instead")
        .arg(options.width)
        .arg(options.height)
        .arg(bytes)
        .arg(files::kMostBmpPixelBytes);
}

} // namespace

void drawPicture(const sim::RingFields& fields, int number, int threads, sim::BufferCanvas& canvas,
                 const Progress& progress) {
    const sim::WindowSize main = sim::mainWindowFor(canvas.widthPixels(), canvas.heightPixels());
    sim::Mt19937Source random;
    const std::optional<std::uint64_t> used = sim::randomNumbersUsed(fields);
    if (used)
        random.skip(*used * static_cast<std::uint64_t>(number - 1));
    for (int picture = used ? number : 1; picture <= number; ++picture) {
        sim::DrawSettings settings;
        // More threads than processors would only wait for one another.
        settings.threads = std::min(threads, sim::everyProcessor());
        if (progress)
            settings.progress = [&progress, picture](std::int64_t done, std::int64_t total) {
                progress(picture, done, total);
            };
        try {
            sim::cmdhex_Click(fields, main, canvas, random, settings);
        } catch (const sim::RuntimeError&) {
            if (picture == number)
                throw;
        }
    }
}

QImage imageOf(const sim::BufferCanvas& canvas) {
    // The pixels are 0xffRRGGBB, row by row: RGB32 exactly.
    return QImage(reinterpret_cast<const uchar*>(canvas.pixels().data()), canvas.widthPixels(),
                  canvas.heightPixels(), canvas.widthPixels() * 4, QImage::Format_RGB32);
}

ExitStatus run(const Options& options) {
    sim::RingFields fields;
    if (!options.params.isEmpty()) {
        QString problem;
        const std::optional<sim::RingFields> read = fieldsOf(options.params, problem);
        if (!read) {
            complain(QStringLiteral("cannot use the parameter file \"%1\": %2")
                         .arg(files::shownName(options.params), problem));
            return kRefused;
        }
        fields = *read;
    }
    const auto cannotWrite = [&options](const QString& reason) {
        complain(QStringLiteral("cannot write \"%1\": %2")
                     .arg(files::shownName(options.output), reason));
        return kRefused;
    };
    if (const std::optional<QString> reason = whyNotInFormat(options))
        return cannotWrite(*reason);
    // Opened before the drawing, so that every refusal comes before it.
    files::AtomicFile file(options.output);
    if (const std::optional<QString> reason = file.open())
        return cannotWrite(*reason);

    ProgressMeter meter;
    Progress progress;
    if (!options.quiet && isatty(STDERR_FILENO))
        progress = [&meter, &options](int picture, std::int64_t done, std::int64_t total) {
            meter.update(picture, options.picture, done, total);
        };
    const char* step = "draw";
    QByteArray content;
    try {
        sim::BufferCanvas canvas(options.width, options.height);
        drawPicture(fields, options.picture, options.threads, canvas, progress);
        meter.finish();
        step = "encode";
        content = files::imageFileContent(imageOf(canvas), options.format);
    } catch (const sim::RuntimeError& error) {
        meter.finish();
        complain(QString::fromStdString(sim::errorMessage(error)));
        return kDrawingFailed;
    } catch (const std::bad_alloc&) {
        meter.finish();
        complain(QStringLiteral("not enough memory to %1 a picture of %2x%3 pixels")
                     .arg(QLatin1String(step))
                     .arg(options.width)
                     .arg(options.height));
        return kRefused;
    }

    if (content.isEmpty())
        return cannotWrite(QStringLiteral("cannot make a %1 image of the picture")
                               .arg(QLatin1String(options.format)));
    if (std::optional<QString> reason = file.write(content); reason || (reason = file.commit()))
        return cannotWrite(*reason);
    return kWritten;
}

} // namespace vorlane::render
