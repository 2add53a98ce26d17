// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under the X server and session bus that the test's
// command starts, driven by real mouse clicks and key presses (XTest), checked
// from the screen's pixels, the files it writes and what Qt's accessibility
// bridge tells a screen reader. The steps share one running program and run
// in order; once one fails, the rest are skipped.

#include "driver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

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
    void windowManagerCloseEndsTheProgramWithStatusZero();
    void aLongDrawingShowsItsProgressAnswersPingsAndEndsOnClose();

private:
    // Starts the program and waits for its panel.
    void launch();
    // The canvas as the screen shows it.
    QImage grabCanvas();
    // The part of the canvas that the panel covers, in canvas coordinates.
    QRect panelOnCanvas();

    QTemporaryDir work_;
    QProcess vorlane_;
    std::optional<Driver> ui_;
    QImage drawn_;
    bool broken_ = false;
};

void EndToEnd::initTestCase() {
    // The test's command starts its X server and session bus when CMake found
    // their tools, and names here those it did not find.
    const QByteArray missing = qgetenv("VORLANE_E2E_MISSING");
    const QByteArray reason =
        !qEnvironmentVariableIsSet("VORLANE_E2E_MISSING")
            ? "run it through ctest, whose command starts its X server and session bus"
        : missing.isEmpty()
            ? QByteArray()
            : "missing " + missing + "; scripts/install-deps installs them, then configure again";
    if (!reason.isEmpty()) {
        // Under CI the test must run.
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(reason.constData());
        QSKIP(reason.constData());
    }
    QVERIFY(work_.isValid());
    // Screenshots of an earlier run would pass for this one's.
    for (const QString& old : QDir().entryList({QStringLiteral("endtoend-*.png")}, QDir::Files))
        QFile::remove(old);
    ui_.emplace();
    QVERIFY2(ui_->connected(), "cannot connect to the X server");
    launch();
}

void EndToEnd::launch() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
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

QImage EndToEnd::grabCanvas() {
    const QRect canvas = ui_->canvasOnScreen();
    return canvas.isEmpty() ? QImage() : ui_->grab(canvas);
}

QRect EndToEnd::panelOnCanvas() {
    return ui_->panelOnScreen().translated(-ui_->canvasOnScreen().topLeft());
}

QTEST_GUILESS_MAIN(EndToEnd)
#include "test_endtoend.moc"
