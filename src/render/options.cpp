// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include "files/atomicfile.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <optional>

namespace vorlane::render {

namespace {

// The canvas takes no more pixels a side than this.
constexpr int kMostPixels = 32767;
constexpr int kMostThreads = 1024;

constexpr char kUsage[] = "Usage: vorlane-render [--params FILE.pel] [--size WIDTHxHEIGHT] "
                          "[--picture K] [--threads N] [--quiet] -o OUT.bmp|OUT.png";

const QString kDescription =
    QStringLiteral("Draws one picture of Vorlane's rings without a display and writes it as an\n"
                   "image file: the same picture that Vorlane shows on the K-th press of\n"
                   "\"draw rings\" after a start, with the same values, on a canvas of that many\n"
                   "pixels on a 96-dpi screen.\n"
                   "\n"
                   "Exit status: 0 when the picture was written, 1 when the drawing stopped with\n"
                   "a run-time error, 2 for a bad option or value, a bad parameter file, an\n"
                   "output that cannot be written or too little memory, 128+N when signal N\n"
                   "(SIGINT, SIGTERM, SIGHUP, ...) ended it before the file was replaced; a\n"
                   "signal after that still gives 0. Nothing is written unless the status is\n"
                   "0, save when only the sync of the folder after the rename failed, as the\n"
                   "message says.");

CommandLine refusal(const QString& message) {
    return {CommandLine::Action::Refuse, {}, message};
}

// An argument's text for a message.
QString shown(const QString& argument) {
    return files::shownName(argument.toLatin1());
}

// A whole number in plain ASCII digits from least to most, or nothing.
std::optional<int> wholeNumber(const QString& text, int least, int most) {
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    bool ok = false;
    const int value = digits ? text.toInt(&ok) : 0;
    if (!ok || value < least || value > most)
        return std::nullopt;
    return value;
}

// How often the option is on the command line, under any of its names.
qsizetype givenTimes(const QCommandLineParser& parser, const QCommandLineOption& option) {
    const QStringList given = parser.optionNames();
    return std::count_if(given.begin(), given.end(),
                         [&option](const QString& name) { return option.names().contains(name); });
}

const char* formatOfExtension(const QString& fileName) {
    const QString extension = QFileInfo(fileName).suffix().toLower();
    if (extension == QLatin1String("bmp"))
        return "BMP";
    if (extension == QLatin1String("png"))
        return "PNG";
    return nullptr;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, int defaultThreads) {
    const QCommandLineOption params(
        QStringLiteral("params"),
        QStringLiteral("The values of the eight fields from a parameter file, as Vorlane's "
                       "\"Save Parameters\" writes it (default: the panel's defaults)."),
        QStringLiteral("FILE.pel"));
    const QCommandLineOption size(
        QStringLiteral("size"),
        QStringLiteral("The canvas in pixels, from 1x1 to %1x%1 (default: 1600x1000).")
            .arg(kMostPixels),
        QStringLiteral("WIDTHxHEIGHT"));
    const QCommandLineOption picture(
        QStringLiteral("picture"),
        QStringLiteral("Which picture after a start (default: 1). The random numbers of the "
                       "K-1 before it are skipped, at little cost, unless the values let a "
                       "drawing end early with an error; those pictures are drawn."),
        QStringLiteral("K"));
    const QCommandLineOption threads(
        QStringLiteral("threads"),
        QStringLiteral("Threads that draw, 1 to %1, of which at most one for each processor "
                       "that it may run on is started; the picture does not depend on it "
                       "(default: the processors it may run on).")
            .arg(kMostThreads),
        QStringLiteral("N"));
    const QCommandLineOption quiet(
        QStringLiteral("quiet"),
        QStringLiteral("No progress on a terminal (it is shown only for drawings that take "
                       "more than about a second)."));
    const QCommandLineOption output(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The image file to write, required: a 24-bit BMP for .bmp, a PNG for "
                       ".png. It appears only once it is complete; only a regular file is "
                       "replaced, and it keeps its owner, group, mode, access list and extended "
                       "attributes. A BMP holds less than "
                       "2 GiB of pixel data (at most 32767x21845); write larger pictures as .png."),
        QStringLiteral("OUT"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Shows the program's name and version."));

    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    parser.addOptions({params, size, picture, threads, quiet, output, help, version});
    if (!parser.parse(arguments))
        return refusal(shown(parser.errorText()));
    if (parser.isSet(help)) {
        // Qt's usage line names the program by its path and hides the required -o.
        const QString text = parser.helpText();
        return {
            CommandLine::Action::Help, {}, QLatin1String(kUsage) + text.mid(text.indexOf(u'\n'))};
    }
    if (parser.isSet(version))
        return {
            CommandLine::Action::Help, {}, QStringLiteral("vorlane-render " VORLANE_VERSION "\n")};
    if (!parser.positionalArguments().isEmpty())
        return refusal(QStringLiteral("unexpected argument \"%1\"")
                           .arg(shown(parser.positionalArguments().constFirst())));
    // A second value would silently win over the first.
    for (const QCommandLineOption& option : {params, size, picture, threads, quiet, output})
        if (givenTimes(parser, option) > 1)
            return refusal(
                QStringLiteral("--%1 is given more than once").arg(option.names().last()));

    Options options;
    options.params = parser.value(params).toLatin1();
    if (parser.isSet(params) && options.params.isEmpty())
        return refusal(QStringLiteral("--params wants a file name, not an empty text"));
    options.quiet = parser.isSet(quiet);
    options.threads = defaultThreads;

    if (parser.isSet(size)) {
        const QStringList sides = parser.value(size).split(u'x');
        const auto width = wholeNumber(sides.value(0), 1, kMostPixels);
        const auto height = wholeNumber(sides.value(1), 1, kMostPixels);
        if (sides.size() != 2 || !width || !height)
            return refusal(QStringLiteral("--size wants WIDTHxHEIGHT, each from 1 to %1 pixels, "
                                          "not \"%2\"")
                               .arg(kMostPixels)
                               .arg(shown(parser.value(size))));
        options.width = *width;
        options.height = *height;
    }
    if (parser.isSet(picture)) {
        const auto k = wholeNumber(parser.value(picture), 1, std::numeric_limits<int>::max());
        if (!k)
            return refusal(QStringLiteral("--picture wants a whole number from 1, not \"%1\"")
                               .arg(shown(parser.value(picture))));
        options.picture = *k;
    }
    if (parser.isSet(threads)) {
        const auto n = wholeNumber(parser.value(threads), 1, kMostThreads);
        if (!n)
            return refusal(QStringLiteral("--threads wants a whole number from 1 to %1, not \"%2\"")
                               .arg(kMostThreads)
                               .arg(shown(parser.value(threads))));
        options.threads = *n;
    }

    if (!parser.isSet(output))
        return refusal(QStringLiteral("no output file: give one with -o OUT.bmp or -o OUT.png"));
    options.output = parser.value(output).toLatin1();
    options.format = formatOfExtension(parser.value(output));
    if (!options.format)
        return refusal(QStringLiteral("the output \"%1\" must end in .bmp or .png")
                           .arg(shown(parser.value(output))));
    return {CommandLine::Action::Render, options, {}};
}

} // namespace vorlane::render
