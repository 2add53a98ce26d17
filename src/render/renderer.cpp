#include "renderer.h"

#include "files/atomicfile.h"
#include "files/imagefile.h"
#include "files/parameterfile.h"
#include "progress.h"

#include <QSaveFile>

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
std::optional<sim::RingFields> fieldsOf(const QString& fileName, QString& problem) {
    const files::parameterfile::Contents contents = files::parameterfile::read(fileName);
    if (!contents.problem.isEmpty()) {
        problem = contents.problem;
        return std::nullopt;
    }
    sim::RingFields fields;
    for (const sim::RingField& field : sim::kRingFieldsByName)
        fields.*field.text = contents.texts.value(QLatin1String(field.name)).toStdString();
    return fields;
}

// Why the file could not be written, found before a long drawing rather than
// after it. The probe leaves nothing behind.
std::optional<QString> whyUnwritable(const QString& fileName) {
    QSaveFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting();
    return std::nullopt;
}

} // namespace

void drawPicture(const sim::RingFields& fields, int number, int threads, sim::BufferCanvas& canvas,
                 const Progress& progress) {
    const sim::WindowSize main = sim::mainWindowFor(canvas.widthPixels(), canvas.heightPixels());
    sim::Mt19937Source random;
    for (int picture = 1; picture <= number; ++picture) {
        sim::DrawSettings settings;
        settings.threads = threads;
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
                         .arg(options.params, problem));
            return kRefused;
        }
        fields = *read;
    }
    if (const std::optional<QString> reason = whyUnwritable(options.output)) {
        complain(QStringLiteral("cannot write \"%1\": %2").arg(options.output, *reason));
        return kRefused;
    }

    ProgressMeter meter;
    Progress progress;
    if (!options.quiet && isatty(STDERR_FILENO))
        progress = [&meter, &options](int picture, std::int64_t done, std::int64_t total) {
            meter.update(picture, options.picture, done, total);
        };
    QByteArray content;
    try {
        sim::BufferCanvas canvas(options.width, options.height);
        drawPicture(fields, options.picture, options.threads, canvas, progress);
        meter.finish();
        content = files::imageFileContent(imageOf(canvas), options.format);
    } catch (const sim::RuntimeError& error) {
        meter.finish();
        complain(QString::fromStdString(sim::errorMessage(error)));
        return kDrawingFailed;
    } catch (const std::bad_alloc&) {
        meter.finish();
        complain(QStringLiteral("not enough memory for a picture of %1x%2 pixels")
                     .arg(options.width)
                     .arg(options.height));
        return kDrawingFailed;
    }

    if (content.isEmpty()) {
        complain(QStringLiteral("cannot make a %1 image of the picture")
                     .arg(QLatin1String(options.format)));
        return kRefused;
    }
    if (const std::optional<QString> reason = files::saveAtomically(options.output, content)) {
        complain(QStringLiteral("cannot write \"%1\": %2").arg(options.output, *reason));
        return kRefused;
    }
    return kWritten;
}

} // namespace vorlane::render
