// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under the X server and session bus that the test's
// command starts, driven by real mouse clicks and key presses (XTest), checked
// from the screen's pixels, the files it writes and what Qt's accessibility
// bridge tells a screen reader. The steps share one running program and run
// in order; once one fails, the rest are skipped.

#include "../gui/contrast.h"
#include "../servers.h"
#include "driver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <sys/prctl.h>

using namespace vorlane::e2e;

namespace {

const QString kSaveImageTitle = QStringLiteral("Save Vorlane simulation");
const QString kSaveParametersTitle = QStringLiteral("Select a file name for saving data");
const QString kRetrieveParametersTitle = QStringLiteral("Open a file");

const QString kSaveImageItem = QStringLiteral("  Save Image as BMP file");
const QString kSaveParametersItem = QStringLiteral("   Save Parameters");
const QString kRetrieveParametersItem = QStringLiteral("   Retrieve Parameters");

constexpr QRgb kYellow = 0xffffff00;
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;
// The default scratch grey, 50.
constexpr QRgb kScratchGrey = 0xff323232;
// Twips in a pixel at the server's 96 dpi.
constexpr double kTwipsPerPixel = 15.0;

// A lit piece is white at its heart and fades towards the scratch grey.
constexpr int kLitGrey = 200;

// What the canvas shows, counted outside the part that the panel covers.
struct Look {
    qsizetype seen = 0, black = 0, scratchGrey = 0, lit = 0, white = 0, yellow = 0;
    QRect yellowBox;

    bool showsScratches() const { return scratchGrey > 0 && lit > 0; }
};

Look look(const QImage& canvas, const QRect& panel) {
    Look result;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (panel.contains(x, y))
                continue;
            const QRgb pixel = canvas.pixel(x, y);
            ++result.seen;
            result.black += pixel == kBlack;
            result.scratchGrey += pixel == kScratchGrey;
            result.white += pixel == kWhite;
            result.lit += qRed(pixel) >= kLitGrey && qRed(pixel) == qGreen(pixel) &&
                          qGreen(pixel) == qBlue(pixel);
            if (pixel == kYellow) {
                ++result.yellow;
                result.yellowBox |= QRect(x, y, 1, 1);
            }
        }
    return result;
}

// How many pixels of two pictures of one size differ outside the panel.
qsizetype differingOutside(const QImage& one, const QImage& other, const QRect& panel) {
    qsizetype differing = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            differing += !panel.contains(x, y) && one.pixel(x, y) != other.pixel(x, y);
    return differing;
}

template <typename T> T littleEndianAt(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<T>(data.constData() + offset);
}

} // namespace

class EndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void drawRingsShowsRingsOnABlackSky();
    void saveImageWritesTheCanvasAsA24BitBitmap();
    void cancelledSaveDialogSaysNoFileWasSelected();
    void retrievedParametersComeBackIntoTheFields();
    void typeMismatchIsReportedAndTheNextDrawingWorks();
    void fieldsAndThePictureAreNamedForScreenReaders();
    void returnPressesTheFocusedDrawRings();
    void keysWithAltOrCtrlLeaveTheFieldAsItWas();
    void inputDuringADrawingIsHandedOnAfterIt_data();
    void inputDuringADrawingIsHandedOnAfterIt();
    void windowManagerCloseEndsTheProgramWithStatusZero();
    void aLongDrawingShowsItsProgressAnswersPingsAndEndsOnClose();
    void thePanelCanBeReadOnEveryDesktop_data();
    void thePanelCanBeReadOnEveryDesktop();
    void highDensityScreensShowTheRenderersPictureAtTheirPixels_data();
    void highDensityScreensShowTheRenderersPictureAtTheirPixels();

private:
    // Starts the program, with these more variables in its environment
    // ("QT_SCALE_FACTOR=2"), and waits for its panel.
    void launch(const QStringList& settings = {});
    void endProgram();
    // The canvas as the screen shows it.
    QImage grabCanvas();
    // The part of the canvas that the panel covers, in canvas coordinates.
    QRect panelOnCanvas();

    // Where a step clicks: a panel field or button, the File menu or its item.
    QPoint placeOf(const QString& name);
    QHash<QString, QPoint> places_;
    int longDrawing_ = 0;

    QTemporaryDir work_;
    QProcess vorlane_;
    std::optional<Driver> ui_;
    QImage drawn_;
    bool broken_ = false;
};

void EndToEnd::initTestCase() {
    VORLANE_REQUIRE_SERVERS("VORLANE_E2E_MISSING", "its X server and session bus");
    QVERIFY(work_.isValid());
    // Screenshots of an earlier run would pass for this one's.
    for (const QString& old : QDir().entryList({QStringLiteral("endtoend-*.png")}, QDir::Files))
        QFile::remove(old);
    ui_.emplace();
    QVERIFY2(ui_->connected(), "cannot connect to the X server");
    launch();
}

void EndToEnd::launch(const QStringList& settings) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : settings)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    Accessible::scaleFactor =
        environment.value(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1")).toDouble();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    vorlane_.setProcessEnvironment(environment);
    vorlane_.setProcessChannelMode(QProcess::ForwardedChannels);
    // The file dialogs start in the current folder.
    vorlane_.setWorkingDirectory(work_.path());
    // The kernel ends the program should the test die without its clean-up.
    vorlane_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    vorlane_.start(QStringLiteral(VORLANE_PROGRAM), {});
    QVERIFY2(vorlane_.waitForStarted(), qPrintable(vorlane_.errorString()));

    QVERIFY2(ui_->findProgram(QStringLiteral("vorlane")),
             "the program did not join the accessibility bus with its main window");
    QVERIFY2(poll([&] {
                 const std::optional<Accessible> button = ui_->drawRingsButton();
                 return button && button->is(Accessible::State::Showing);
             }),
             "the panel's \"draw rings\" did not show");
}

void EndToEnd::init() {
    if (broken_)
        QSKIP("an earlier step failed, and the steps share one running program");
}

void EndToEnd::cleanup() {
    if (QTest::currentTestFailed()) {
        broken_ = true;
        // For whoever reads the failure: the whole screen at that moment.
        ui_->grab().save(QStringLiteral("endtoend-failed-%1.png")
                             .arg(QString::fromLatin1(QTest::currentTestFunction())));
    }
}

void EndToEnd::cleanupTestCase() {
    if (vorlane_.state() != QProcess::NotRunning) {
        vorlane_.terminate();
        if (!vorlane_.waitForFinished(3000))
            vorlane_.kill();
        vorlane_.waitForFinished(3000);
    }
    ui_.reset();
}

// ---- the steps

void EndToEnd::drawRingsShowsRingsOnABlackSky() {
    QVERIFY(ui_->click(ui_->drawRingsButton()));
    QImage canvas;
    Look seen;
    const bool drawn = poll([&] {
        canvas = grabCanvas();
        seen = look(canvas, panelOnCanvas());
        return seen.showsScratches() && seen.yellow > 0;
    });
    canvas.save(QStringLiteral("endtoend-drawn.png"));
    QVERIFY2(drawn, "no rings appeared");

    // The canvas was fitted to the main window: 200 twips narrower and 500
    // twips less high than its outer size.
    const QSize main = ui_->mainWindow().extents().size();
    QVERIFY(!main.isEmpty());
    QVERIFY(std::abs(canvas.width() - (main.width() - 200 / kTwipsPerPixel)) < 1.0);
    QVERIFY(std::abs(canvas.height() - (main.height() - 500 / kTwipsPerPixel)) < 1.0);

    // A black sky with grey scratches and lit pieces, white where a scratch
    // runs square to the light. The bounds leave room for any picture of the
    // default values: 750 short scratches cover far less than half the sky,
    // and about one segment in six lies within the angle limit.
    const QByteArray counts = QStringLiteral("black %1, grey %2, lit %3, white %4 of %5")
                                  .arg(seen.black)
                                  .arg(seen.scratchGrey)
                                  .arg(seen.lit)
                                  .arg(seen.white)
                                  .arg(seen.seen)
                                  .toLatin1();
    QVERIFY2(seen.black > seen.seen / 2, counts.constData());
    QVERIFY2(seen.scratchGrey > 1000, counts.constData());
    QVERIFY2(seen.lit > 500 && seen.white > 0, counts.constData());
    // The yellow mark, a few pixels across, in the middle of the canvas.
    const QPointF centre = QRectF(seen.yellowBox).center();
    QVERIFY2(std::abs(centre.x() - canvas.width() / 2.0) <= 1.5 &&
                 std::abs(centre.y() - canvas.height() / 2.0) <= 1.5,
             qPrintable(QStringLiteral("mark at %1, %2").arg(centre.x()).arg(centre.y())));
    QVERIFY(seen.yellowBox.width() <= 8 && seen.yellowBox.height() <= 8);
    drawn_ = canvas;
}

void EndToEnd::saveImageWritesTheCanvasAsA24BitBitmap() {
    QVERIFY(ui_->chooseFileMenuItem(kSaveImageItem));
    // A name without extension gets ".bmp".
    QVERIFY(ui_->answerFileDialog(kSaveImageTitle, work_.filePath(QStringLiteral("rings"))));
    const QString path = work_.filePath(QStringLiteral("rings.bmp"));
    QVERIFY2(poll([&] { return QFileInfo::exists(path); }), "no rings.bmp was written");

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bitmap = file.readAll();
    QVERIFY(bitmap.size() > 54 && bitmap.startsWith("BM"));
    const auto width = littleEndianAt<qint32>(bitmap, 18);
    const auto height = littleEndianAt<qint32>(bitmap, 22);
    QCOMPARE(littleEndianAt<quint16>(bitmap, 28), quint16(24)); // bits a pixel
    QCOMPARE(littleEndianAt<quint32>(bitmap, 30), 0u);          // no compression
    QCOMPARE(QSize(width, std::abs(height)), drawn_.size());
    // Rows of three bytes a pixel, each padded to four bytes, after the headers.
    const qsizetype rowBytes = (qsizetype{width} * 3 + 3) / 4 * 4;
    QCOMPARE(bitmap.size(),
             qsizetype{littleEndianAt<quint32>(bitmap, 10)} + rowBytes * std::abs(height));

    // The picture on the screen, wherever the panel does not cover it.
    const QImage saved = QImage::fromData(bitmap, "BMP");
    const QRect panel = panelOnCanvas();
    qsizetype compared = 0, differing = 0;
    for (int y = 0; y < drawn_.height(); ++y)
        for (int x = 0; x < drawn_.width(); ++x)
            if (!panel.contains(x, y)) {
                ++compared;
                differing += saved.pixel(x, y) != drawn_.pixel(x, y);
            }
    QCOMPARE(differing, qsizetype{0});
    QVERIFY(compared > qsizetype{drawn_.width()} * drawn_.height() * 3 / 4);
}

void EndToEnd::cancelledSaveDialogSaysNoFileWasSelected() {
    QVERIFY(ui_->chooseFileMenuItem(kSaveImageItem));
    const std::optional<Accessible> fileDialog = ui_->waitForWindow(kSaveImageTitle);
    QVERIFY(fileDialog);
    QVERIFY(ui_->pressButton(*fileDialog, QStringLiteral("Cancel")));
    // The message comes in a box of its own with the dialog's title.
    const std::optional<Accessible> box = ui_->waitForWindow(kSaveImageTitle, {*fileDialog});
    QVERIFY2(box, "no message after the cancelled dialog");
    QString message;
    QVERIFY2(poll([&] {
                 return (message = ui_->messageIn(*box))
                     .contains(QStringLiteral("No file was selected"));
             }),
             qPrintable(message));
    QVERIFY(ui_->pressButton(*box, QStringLiteral("OK")));
    QVERIFY(ui_->waitUntilGone(*box));
}

void EndToEnd::retrievedParametersComeBackIntoTheFields() {
    const std::optional<Accessible> lines = ui_->field(QStringLiteral("lines"));
    QVERIFY(lines);
    const QString saved = lines->text();
    QVERIFY(!saved.isEmpty());

    QVERIFY(ui_->chooseFileMenuItem(kSaveParametersItem));
    QVERIFY(ui_->answerFileDialog(kSaveParametersTitle, work_.filePath(QStringLiteral("values"))));
    const QString path = work_.filePath(QStringLiteral("values.pel"));
    QVERIFY2(poll([&] { return QFileInfo::exists(path); }), "no values.pel was written");

    QVERIFY(ui_->enterText(QStringLiteral("lines"), QStringLiteral("123")));

    QVERIFY(ui_->chooseFileMenuItem(kRetrieveParametersItem));
    QVERIFY(ui_->answerFileDialog(kRetrieveParametersTitle, path));
    QVERIFY2(poll([&] { return lines->text() == saved; }), qPrintable(lines->text()));
}

void EndToEnd::typeMismatchIsReportedAndTheNextDrawingWorks() {
    QVERIFY(ui_->enterText(QStringLiteral("lines"), QStringLiteral("abc")));
    QVERIFY(ui_->click(ui_->drawRingsButton()));
    const std::optional<Accessible> box = ui_->waitForWindow(kMainTitle, {ui_->mainWindow()});
    QVERIFY2(box, "no error message for \"abc\" in lines");
    QString message;
    QVERIFY2(poll([&] {
                 return (message = ui_->messageIn(*box)).contains(QStringLiteral("Type mismatch"));
             }),
             qPrintable(message));
    QVERIFY(ui_->pressButton(*box, QStringLiteral("OK")));
    QVERIFY(ui_->waitUntilGone(*box));

    // "lines" is read last, after the sky and the mark were drawn: they stay,
    // and no scratch was drawn.
    QImage canvas;
    Look seen;
    const bool markOnly = poll([&] {
        canvas = grabCanvas();
        seen = look(canvas, panelOnCanvas());
        return seen.yellow > 0 && !seen.showsScratches();
    });
    canvas.save(QStringLiteral("endtoend-mismatch.png"));
    QVERIFY2(markOnly, "the canvas does not show just the sky and the mark");
    QCOMPARE(seen.black + seen.yellow, seen.seen);

    QVERIFY(ui_->enterText(QStringLiteral("lines"), QStringLiteral("750")));
    QVERIFY(ui_->click(ui_->drawRingsButton()));
    const bool redrawn = poll([&] {
        canvas = grabCanvas();
        return look(canvas, panelOnCanvas()).showsScratches();
    });
    canvas.save(QStringLiteral("endtoend-redrawn.png"));
    QVERIFY2(redrawn, "no rings after the error");
    QCOMPARE(ui_->windows(kMainTitle), QList<Accessible>{ui_->mainWindow()});
}

void EndToEnd::fieldsAndThePictureAreNamedForScreenReaders() {
    for (const char* caption :
         {"smin", "smax", "lines", "seg ln", "scratch col", "sky col", "width", "anglim"}) {
        const std::optional<Accessible> byName =
            ui_->mainWindow().find(QString::fromLatin1(caption), QStringLiteral("text"));
        QVERIFY2(byName, caption);
        // The field of that name is the one beside the caption.
        QCOMPARE(byName->extents(), ui_->field(QString::fromLatin1(caption))->extents());
    }
    const std::optional<Accessible> picture = ui_->mainWindow().find(QStringLiteral("picture"));
    QVERIFY(picture);
    QCOMPARE(picture->extents(), ui_->canvasOnScreen());
}

void EndToEnd::returnPressesTheFocusedDrawRings() {
    const auto showsScratches = [this] {
        return look(grabCanvas(), panelOnCanvas()).showsScratches();
    };
    // "Clear" takes the focus with the click; Tab moves it on to "draw rings".
    QVERIFY(
        ui_->click(ui_->mainWindow().find(QStringLiteral("Clear"), QStringLiteral("push button"))));
    QVERIFY(poll([&] { return !showsScratches(); }));
    QVERIFY(ui_->press(QStringLiteral("Tab")) && ui_->press(QStringLiteral("Return")));
    QVERIFY2(poll(showsScratches), "Return on \"draw rings\" drew nothing");
}

void EndToEnd::keysWithAltOrCtrlLeaveTheFieldAsItWas() {
    const std::optional<Accessible> lines = ui_->field(QStringLiteral("lines"));
    QVERIFY(lines);
    const QString before = lines->text();
    QVERIFY(ui_->click(lines) && ui_->press(QStringLiteral("End")));
    for (const char* keys : {"Alt_L+f", "Control_L+f", "Control_L+Alt_L+f"})
        QVERIFY(ui_->press(QString::fromLatin1(keys)));
    // A plain key after them types, so they have all arrived.
    QVERIFY(ui_->press(QStringLiteral("0")));
    QVERIFY2(poll([&] { return lines->text() == before + QLatin1Char('0'); }),
             qPrintable(lines->text()));
}

// Clicks and keys made during a drawing: each row's steps start a long
// drawing and act while it runs ("click", "wait" milliseconds, "keys" held
// together, "type"); once it has ended, the row's outcome shows.
void EndToEnd::inputDuringADrawingIsHandedOnAfterIt_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("outcome");
    const QString draw = QStringLiteral("click draw rings"), drawing = QStringLiteral("drawing");
    QTest::newRow("a field, then Clear half a second later")
        << QStringList{draw, drawing, "click smin", "wait 500", "click Clear"} << "cleared";
    QTest::newRow("Clear, then draw rings 0.1 s later")
        << QStringList{draw, drawing, "click Clear", "wait 100", draw} << "drawn";
    QTest::newRow("lines, select all, type, draw rings")
        << QStringList{draw, drawing, "click lines", "keys Control_L+a", "type 750", draw}
        << "750 drawn";
    QTest::newRow("File, then Save Image")
        << QStringList{draw, drawing, "click File", "wait 100", "click Save Image"}
        << "save dialog";
    QTest::newRow("F10, Down three times, Return, a name, Return")
        << QStringList{draw,        drawing,       "keys F10", "keys Down",  "keys Down",
                       "keys Down", "keys Return", "type xyz", "keys Return"}
        << "xyz.bmp saved";
    QTest::newRow("Clear in the drawing's first 0.3 s")
        << QStringList{draw, "click Clear"} << "cleared";
    // From "draw rings", Shift+Tab moves to "Clear", which Space presses.
    QTest::newRow("keys in the drawing's first 0.3 s")
        << QStringList{draw, "keys Shift_L+Tab", "keys space"} << "cleared";
}

void EndToEnd::inputDuringADrawingIsHandedOnAfterIt() {
    QFETCH(QStringList, steps);
    QFETCH(QString, outcome);
    const QRegularExpression inProgress(QStringLiteral("^Vorlane - \\d+ %$"));
    const auto drawing = [&] { return inProgress.match(ui_->mainWindow().name()).hasMatch(); };
    if (!longDrawing_) {
        // Lines enough for about 2.5 s of drawing on this machine and build,
        // timed on a drawing of at least 1 s: on a fast machine the clicks'
        // and polls' own delays made a shorter one look slow.
        for (qint64 lines = 200000, took = 0; took < 1000; lines = longDrawing_) {
            QVERIFY(ui_->enterText(QStringLiteral("lines"), QString::number(lines)));
            QElapsedTimer clock;
            clock.start();
            QVERIFY(ui_->click(ui_->drawRingsButton()));
            QVERIFY(poll(
                [&] {
                    return ui_->mainWindow().name() == kMainTitle &&
                           look(grabCanvas(), panelOnCanvas()).showsScratches();
                },
                60000));
            took = clock.elapsed();
            longDrawing_ = int(lines * 2500 / std::max<qint64>(100, took));
        }
    }
    QVERIFY(ui_->enterText(QStringLiteral("lines"), QString::number(longDrawing_)));
    for (const QString& step : steps)
        if (step.startsWith(QLatin1String("click ")))
            placeOf(step.section(QLatin1Char(' '), 1));
    const QRect panel = panelOnCanvas();

    for (const QString& step : steps) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString what = step.section(QLatin1Char(' '), 1);
        if (verb == QLatin1String("click"))
            ui_->clickAt(placeOf(what));
        else if (verb == QLatin1String("wait"))
            QTest::qWait(what.toInt());
        else if (verb == QLatin1String("keys"))
            QVERIFY(ui_->hold(what));
        else if (verb == QLatin1String("type"))
            QVERIFY(ui_->type(what));
        else
            QVERIFY2(poll(drawing), "the title does not show the share done");
    }
    // In its first 0.3 s a drawing may not yet show its share: the rows whose
    // steps come that early start no drawing, so a share shown later is still
    // that of the drawing they came during.
    QVERIFY2(steps.contains(QStringLiteral("drawing")) ? drawing() : poll(drawing),
             "the steps did not all come during the drawing");
    QVERIFY2(poll([&] { return ui_->mainWindow().name() == kMainTitle; }, 60000),
             "the drawing did not end");

    if (outcome == QLatin1String("cleared") || outcome.endsWith(QLatin1String("drawn"))) {
        const auto sparse = [](const Look& seen) { return seen.black > seen.seen / 2; };
        Look seen;
        const bool shown = poll([&] {
            seen = look(grabCanvas(), panel);
            return outcome == QLatin1String("cleared") ? seen.black == seen.seen
                   : outcome == QLatin1String("drawn") ? seen.showsScratches() && !sparse(seen)
                                                       : seen.showsScratches() && sparse(seen);
        });
        grabCanvas().save(QStringLiteral("endtoend-held-%1.png").arg(QTest::currentDataTag()));
        QVERIFY2(shown,
                 qPrintable(QStringLiteral("black %1 of %2").arg(seen.black).arg(seen.seen)));
        if (outcome == QLatin1String("750 drawn"))
            QCOMPARE(ui_->field(QStringLiteral("lines"))->text(), QStringLiteral("750"));
    } else if (outcome == QLatin1String("save dialog")) {
        const std::optional<Accessible> dialog = ui_->waitForWindow(kSaveImageTitle);
        QVERIFY2(dialog, "the held menu item did not open its dialog");
        QVERIFY(ui_->pressButton(*dialog, QStringLiteral("Cancel")));
        const std::optional<Accessible> box = ui_->waitForWindow(kSaveImageTitle, {*dialog});
        QVERIFY(box && ui_->pressButton(*box, QStringLiteral("OK")) && ui_->waitUntilGone(*box));
    } else {
        const QString saved = work_.filePath(outcome.section(QLatin1Char(' '), 0, 0));
        QVERIFY2(poll([&] { return QFileInfo::exists(saved); }), qPrintable(saved));
        // The last Return went to the dialog: "draw rings" drew nothing more.
        QTest::qWait(1000);
        QCOMPARE(ui_->mainWindow().name(), kMainTitle);
        QCOMPARE(QImage(saved).size(), ui_->canvasOnScreen().size());
    }
}

QPoint EndToEnd::placeOf(const QString& name) {
    if (places_.contains(name))
        return places_.value(name);
    const QString role = QStringLiteral("menu item");
    const std::optional<Accessible> file = ui_->mainWindow().find(QStringLiteral("   File"), role);
    std::optional<Accessible> found;
    if (name == QLatin1String("File")) {
        found = file;
    } else if (name == QLatin1String("Save Image")) {
        // Where the open menu shows it.
        found = ui_->click(file) ? file->find(kSaveImageItem, role) : std::nullopt;
        poll([&] { return found && found->is(Accessible::State::Showing); });
        places_[name] = found ? found->extents().center() : QPoint();
        ui_->press(QStringLiteral("Escape"));
        poll([&] { return !found || !found->is(Accessible::State::Showing); });
        return places_[name];
    } else {
        found = ui_->mainWindow().find(name, QStringLiteral("push button"));
        if (!found)
            found = ui_->field(name);
    }
    return places_[name] = found ? found->extents().center() : QPoint();
}

void EndToEnd::windowManagerCloseEndsTheProgramWithStatusZero() {
    QVERIFY(ui_->takesDeleteMessage());
    ui_->sendDeleteMessage();
    QVERIFY2(vorlane_.waitForFinished(15000), "the program did not end");
    QCOMPARE(vorlane_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vorlane_.exitCode(), 0);
}

void EndToEnd::aLongDrawingShowsItsProgressAnswersPingsAndEndsOnClose() {
    launch();
    // Far more scratches than the step waits for: the close ends the drawing.
    QVERIFY(ui_->enterText(QStringLiteral("lines"), QStringLiteral("100000000")));
    // Asked before: the program answers a screen reader only a few times a
    // second while it draws. The drawing's canvas starts where this one does.
    const QRect canvasArea = ui_->canvasOnScreen();
    const QRect panel = ui_->panelOnScreen().translated(-canvasArea.topLeft());
    QVERIFY(ui_->click(ui_->drawRingsButton()));
    const QRegularExpression inProgress(QStringLiteral("^Vorlane - \\d+ %$"));
    const auto drawing = [&] { return inProgress.match(ui_->mainWindow().name()).hasMatch(); };
    QVERIFY2(poll(drawing), "the title does not show the share done");
    QImage canvas;
    const bool growing = poll([&] {
        canvas = ui_->grab(canvasArea);
        return look(canvas, panel).showsScratches();
    });
    canvas.save(QStringLiteral("endtoend-growing.png"));
    QVERIFY2(growing && drawing(), "the canvas does not show the picture as it grows");

    QVERIFY2(ui_->answersPing(1000), "no answer to a ping within a second");
    QVERIFY(drawing());
    QElapsedTimer closing;
    closing.start();
    ui_->sendDeleteMessage();
    QVERIFY2(vorlane_.waitForFinished(15000), "the program did not end");
    QVERIFY2(closing.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(closing.elapsed())));
    QCOMPARE(vorlane_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vorlane_.exitCode(), 0);
}

// Under a desktop's dark style the panel keeps its light look: the focus
// starts in smin, and on the screen every caption, field text and button
// caption on a fixed background contrasts with it by 4.5:1 at least (the
// design's own colour pairs, red labels and the pink "750", are left out).
void EndToEnd::thePanelCanBeReadOnEveryDesktop_data() {
    QTest::addColumn<QStringList>("settings");
    QTest::newRow("Adwaita-Dark") << QStringList{QStringLiteral("QT_STYLE_OVERRIDE=Adwaita-Dark")};
}

void EndToEnd::thePanelCanBeReadOnEveryDesktop() {
    QFETCH(QStringList, settings);
    launch(settings);
    const std::optional<Accessible> panel = ui_->mainWindow().find(QStringLiteral("Controls"));
    QVERIFY(panel);
    // The window is not active until it is used (there is no window manager):
    // a click on the panel's backdrop activates it without moving the focus.
    QVERIFY(ui_->click(panel));
    QVERIFY2(poll([&] {
                 const std::optional<Accessible> smin = ui_->field(QStringLiteral("smin"));
                 return smin && smin->is(Accessible::State::Focused);
             }),
             "the focus did not start in smin");
    const QImage screen = ui_->grab();
    screen.save(
        QStringLiteral("endtoend-%1.png").arg(QString::fromLatin1(QTest::currentDataTag())));
    const std::pair<const char*, const char*> shown[] = {
        {"smax", "label"},        {"sky col", "label"},    {"width", "label"},
        {"seg ln", "text"},       {"scratch col", "text"}, {"sky col", "text"},
        {"width", "text"},        {"anglim", "text"},      {"draw rings", "push button"},
        {"Clear", "push button"},
    };
    for (const auto& [name, role] : shown) {
        const std::optional<Accessible> control =
            panel->find(QString::fromLatin1(name), QString::fromLatin1(role));
        QVERIFY2(control, name);
        // Inside the frames of fields and buttons.
        const auto [back, text] =
            vorlane::test::backAndText(screen, control->extents().adjusted(4, 4, -4, -4));
        const double seen = vorlane::test::contrast(back, text);
        QVERIFY2(seen >= 4.5, qPrintable(QStringLiteral("%1 %2: %3").arg(name, role).arg(seen)));
    }
    ui_->sendDeleteMessage();
    QVERIFY2(vorlane_.waitForFinished(15000), "the program did not end");
}

void EndToEnd::highDensityScreensShowTheRenderersPictureAtTheirPixels_data() {
    QTest::addColumn<QString>("scaleFactor");
    QTest::newRow("150 %") << QStringLiteral("1.5");
    QTest::newRow("200 %") << QStringLiteral("2");
}

// The canvas on the screen is the saved bitmap, which is the renderer's file
// for the canvas's size in device pixels; not a blow-up of a smaller picture.
void EndToEnd::highDensityScreensShowTheRenderersPictureAtTheirPixels() {
    QFETCH(QString, scaleFactor);
    endProgram();
    launch({QStringLiteral("QT_SCALE_FACTOR=") + scaleFactor});
    QVERIFY(ui_->click(ui_->drawRingsButton()));
    QImage canvas;
    const bool drawn = poll([&] {
        canvas = grabCanvas();
        return look(canvas, panelOnCanvas()).showsScratches();
    });
    canvas.save(QStringLiteral("endtoend-at-%1.png").arg(scaleFactor));
    QVERIFY2(drawn, "no rings appeared");

    const QString name = QStringLiteral("at-%1").arg(scaleFactor);
    QVERIFY(ui_->chooseFileMenuItem(kSaveImageItem));
    QVERIFY(ui_->answerFileDialog(kSaveImageTitle, work_.filePath(name)));
    const QString path = work_.filePath(name + QStringLiteral(".bmp"));
    QVERIFY2(poll([&] { return QFileInfo(path).size() > 0; }), "no bitmap was written");
    const QImage saved(path);
    QCOMPARE(saved.size(), canvas.size());
    const QRect panel = panelOnCanvas();
    QCOMPARE(differingOutside(saved, canvas, panel), qsizetype{0});

    QProcess renderer;
    renderer.setWorkingDirectory(work_.path());
    renderer.start(QStringLiteral(VORLANE_RENDER),
                   {QStringLiteral("--size"),
                    QStringLiteral("%1x%2").arg(canvas.width()).arg(canvas.height()),
                    QStringLiteral("-o"), QStringLiteral("rendered.bmp")});
    QVERIFY(renderer.waitForFinished(60000) && renderer.exitCode() == 0);
    QFile rendered(work_.filePath(QStringLiteral("rendered.bmp")));
    QFile shown(path);
    QVERIFY(rendered.open(QIODevice::ReadOnly) && shown.open(QIODevice::ReadOnly));
    QVERIFY2(rendered.readAll() == shown.readAll(), "the saved bitmap is not the renderer's file");

    // Shrunk to device-independent pixels and blown up again, a picture
    // drawn in device pixels loses lines; a blown-up one would not change.
    const QImage blownUp = canvas.scaled((QSizeF(canvas.size()) / scaleFactor.toDouble()).toSize())
                               .scaled(canvas.size());
    const qsizetype lost = differingOutside(blownUp, canvas, panel);
    QVERIFY2(lost > qsizetype{canvas.width()} * canvas.height() / 100,
             qPrintable(QString::number(lost)));
    endProgram();
}

void EndToEnd::endProgram() {
    if (vorlane_.state() == QProcess::NotRunning)
        return;
    ui_->sendDeleteMessage();
    QVERIFY2(vorlane_.waitForFinished(15000), "the program did not end");
    QCOMPARE(vorlane_.exitCode(), 0);
}

QImage EndToEnd::grabCanvas() {
    const QRect canvas = ui_->canvasOnScreen();
    return canvas.isEmpty() ? QImage() : ui_->grab(canvas);
}

QRect EndToEnd::panelOnCanvas() {
    return ui_->panelOnScreen().translated(-ui_->canvasOnScreen().topLeft());
}

QTEST_GUILESS_MAIN(EndToEnd)
#include "test_endtoend.moc"
