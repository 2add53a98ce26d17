// The real program under its own X server, driven by real mouse clicks and
// key presses (xdotool), checked from the screen's pixels, the files it
// writes and what Qt's accessibility bridge tells a screen reader. The steps
// share one running program and run in order; once one fails, the rest are
// skipped.

#include "accessibility.h"
#include "processes.h"
#include "xserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <climits>
#include <cmath>

using namespace vorlane::e2e;

namespace {

const QString kMainTitle = QStringLiteral("Vorlane");
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
    void windowManagerCloseEndsTheProgramWithStatusZero();

private:
    // Input and windows, through xdotool.
    bool xdo(const QStringList& arguments, QString* output = nullptr);
    QStringList visibleWindows(const QString& title);
    std::optional<QString> waitForNewWindow(const QString& title, const QStringList& known = {});
    bool waitUntilGone(const QString& title, const QString& window);
    bool waitForFocus(const QString& window);
    bool clickAt(const QPoint& point);
    bool click(const std::optional<Accessible>& object);
    bool type(const QString& text);

    // The program's widgets, through the accessibility bridge.
    std::optional<Accessible> mainFrame();
    std::optional<Accessible> inMainWindow(const QString& role, const QString& name);
    std::optional<Accessible> drawRingsButton();
    std::optional<Accessible> dialog(const QString& title);
    std::optional<Accessible> field(const QString& caption);
    bool chooseFileMenuItem(const QString& caption);
    bool pressButton(const QString& window, const QString& caption);
    bool enterText(const QString& fieldCaption, const QString& text);
    bool answerFileDialog(const QString& title, const QString& typed);
    QString messageIn(const QString& title);
    QRect canvasOnScreen();
    QRect panelOn(const QRect& canvas);

    // The canvas as the screen shows it.
    QImage grabCanvas();

    QTemporaryDir work_;
    QTemporaryDir runtime_;
    XServer x_;
    AccessibilityBus bus_;
    QProcess vorlane_;
    QProcessEnvironment xEnvironment_;
    std::optional<Accessible> application_;
    QString mainWindow_;
    QImage drawn_;
    bool broken_ = false;
};

void EndToEnd::initTestCase() {
    QStringList missing;
    for (const char* tool : {"Xvfb", "xdotool", "dbus-daemon"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    if (!QFileInfo::exists(QStringLiteral("/usr/share/dbus-1/services/org.a11y.Bus.service")))
        missing << QStringLiteral("at-spi2-core");
    if (!missing.isEmpty()) {
        const QByteArray reason = "missing " + missing.join(QStringLiteral(", ")).toLocal8Bit() +
                                  "; scripts/install-deps installs them";
        // Under CI the test must run.
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(reason.constData());
        QSKIP(reason.constData());
    }
    QVERIFY(work_.isValid() && runtime_.isValid());

    const QString xProblem = x_.start();
    QVERIFY2(xProblem.isEmpty(), qPrintable(xProblem));
    xEnvironment_ = QProcessEnvironment::systemEnvironment();
    xEnvironment_.insert(QStringLiteral("DISPLAY"), x_.display());

    const QString busProblem = bus_.start(runtime_.path());
    QVERIFY2(busProblem.isEmpty(), qPrintable(busProblem));

    QProcessEnvironment environment = xEnvironment_;
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.sessionAddress());
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    vorlane_.setProcessChannelMode(QProcess::ForwardedChannels);
    // The file dialogs start in the current folder.
    vorlane_.setWorkingDirectory(work_.path());
    startChild(vorlane_, QStringLiteral(VORLANE_PROGRAM), {}, environment);
    QVERIFY2(vorlane_.state() == QProcess::Running, qPrintable(vorlane_.errorString()));

    const std::optional<QString> main = waitForNewWindow(kMainTitle);
    QVERIFY2(main, "the main window did not appear");
    mainWindow_ = *main;
    QVERIFY2(poll([&] {
                 application_ = bus_.application(QStringLiteral("vorlane"));
                 return application_.has_value();
             }),
             "the program did not join the accessibility bus");
    QVERIFY2(poll([&] {
                 const std::optional<Accessible> button = drawRingsButton();
                 return button && button->showing();
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
        x_.grab(QRect(0, 0, 1024, 768))
            .save(QStringLiteral("endtoend-failed-%1.png")
                      .arg(QString::fromLatin1(QTest::currentTestFunction())));
    }
}

void EndToEnd::cleanupTestCase() {
    stop(vorlane_);
    application_.reset();
    bus_.stop();
    x_.stop();
}

// ---- the steps

void EndToEnd::drawRingsShowsRingsOnABlackSky() {
    QVERIFY(click(drawRingsButton()));
    QImage canvas;
    Look seen;
    const bool drawn = poll([&] {
        canvas = grabCanvas();
        seen = look(canvas, panelOn(canvasOnScreen()));
        return seen.showsScratches() && seen.yellow > 0;
    });
    canvas.save(QStringLiteral("endtoend-drawn.png"));
    QVERIFY2(drawn, "no rings appeared");

    // The canvas was fitted to the main window: 200 twips narrower and 500
    // twips less high than its outer size.
    QString geometry;
    QVERIFY(xdo({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), mainWindow_},
                &geometry));
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)")).match(geometry);
    QVERIFY2(size.hasMatch(), qPrintable(geometry));
    QVERIFY(std::abs(canvas.width() - (size.captured(1).toInt() - 200 / kTwipsPerPixel)) < 1.0);
    QVERIFY(std::abs(canvas.height() - (size.captured(2).toInt() - 500 / kTwipsPerPixel)) < 1.0);

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
    QVERIFY(chooseFileMenuItem(kSaveImageItem));
    // A name without extension gets ".bmp".
    QVERIFY(answerFileDialog(kSaveImageTitle, work_.filePath(QStringLiteral("rings"))));
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
    const QRect panel = panelOn(canvasOnScreen());
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
    QVERIFY(chooseFileMenuItem(kSaveImageItem));
    const std::optional<QString> fileDialog = waitForNewWindow(kSaveImageTitle);
    QVERIFY(fileDialog);
    QVERIFY(pressButton(kSaveImageTitle, QStringLiteral("Cancel")));
    // The message comes in a box of its own with the dialog's title.
    const std::optional<QString> box = waitForNewWindow(kSaveImageTitle, {*fileDialog});
    QVERIFY2(box, "no message after the cancelled dialog");
    QString message;
    QVERIFY2(poll([&] {
                 return (message = messageIn(kSaveImageTitle))
                     .contains(QStringLiteral("No file was selected"));
             }),
             qPrintable(message));
    QVERIFY(pressButton(kSaveImageTitle, QStringLiteral("OK")));
    QVERIFY(waitUntilGone(kSaveImageTitle, *box));
}

void EndToEnd::retrievedParametersComeBackIntoTheFields() {
    const std::optional<Accessible> lines = field(QStringLiteral("lines"));
    QVERIFY(lines);
    const QString saved = lines->text();
    QVERIFY(!saved.isEmpty());

    QVERIFY(chooseFileMenuItem(kSaveParametersItem));
    QVERIFY(answerFileDialog(kSaveParametersTitle, work_.filePath(QStringLiteral("values"))));
    const QString path = work_.filePath(QStringLiteral("values.pel"));
    QVERIFY2(poll([&] { return QFileInfo::exists(path); }), "no values.pel was written");

    QVERIFY(enterText(QStringLiteral("lines"), QStringLiteral("123")));

    QVERIFY(chooseFileMenuItem(kRetrieveParametersItem));
    QVERIFY(answerFileDialog(kRetrieveParametersTitle, path));
    QVERIFY2(poll([&] { return lines->text() == saved; }), qPrintable(lines->text()));
}

void EndToEnd::typeMismatchIsReportedAndTheNextDrawingWorks() {
    QVERIFY(enterText(QStringLiteral("lines"), QStringLiteral("abc")));
    QVERIFY(click(drawRingsButton()));
    const std::optional<QString> box = waitForNewWindow(kMainTitle, {mainWindow_});
    QVERIFY2(box, "no error message for \"abc\" in lines");
    QString message;
    QVERIFY2(poll([&] {
                 return (message = messageIn(kMainTitle)).contains(QStringLiteral("Type mismatch"));
             }),
             qPrintable(message));
    QVERIFY(pressButton(kMainTitle, QStringLiteral("OK")));
    QVERIFY(waitUntilGone(kMainTitle, *box));

    // "lines" is read last, after the sky and the mark were drawn: they stay,
    // and no scratch was drawn.
    QImage canvas;
    Look seen;
    const bool markOnly = poll([&] {
        canvas = grabCanvas();
        seen = look(canvas, panelOn(canvasOnScreen()));
        return seen.yellow > 0 && !seen.showsScratches();
    });
    canvas.save(QStringLiteral("endtoend-mismatch.png"));
    QVERIFY2(markOnly, "the canvas does not show just the sky and the mark");
    QCOMPARE(seen.black + seen.yellow, seen.seen);

    QVERIFY(enterText(QStringLiteral("lines"), QStringLiteral("750")));
    QVERIFY(click(drawRingsButton()));
    const bool redrawn = poll([&] {
        canvas = grabCanvas();
        return look(canvas, panelOn(canvasOnScreen())).showsScratches();
    });
    canvas.save(QStringLiteral("endtoend-redrawn.png"));
    QVERIFY2(redrawn, "no rings after the error");
    QCOMPARE(visibleWindows(kMainTitle), QStringList{mainWindow_});
}

void EndToEnd::windowManagerCloseEndsTheProgramWithStatusZero() {
    bool ok = false;
    QVERIFY(x_.takesDeleteMessage(mainWindow_.toULong(&ok)) && ok);
    x_.sendDeleteMessage(mainWindow_.toULong());
    QVERIFY2(vorlane_.waitForFinished(15000), "the program did not end");
    QCOMPARE(vorlane_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vorlane_.exitCode(), 0);
}

// ---- helpers

bool EndToEnd::xdo(const QStringList& arguments, QString* output) {
    const RunResult result = run(QStringLiteral("xdotool"), arguments, xEnvironment_);
    if (output)
        *output = result.output;
    if (!result.ok)
        qWarning("xdotool %s: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 qPrintable(result.error));
    return result.ok;
}

QStringList EndToEnd::visibleWindows(const QString& title) {
    // No window is no error here; search then exits with 1.
    const RunResult result =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + title + QLatin1Char('$')},
            xEnvironment_);
    return result.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::optional<QString> EndToEnd::waitForNewWindow(const QString& title, const QStringList& known) {
    std::optional<QString> found;
    poll([&] {
        for (const QString& window : visibleWindows(title))
            if (!known.contains(window))
                found = window;
        return found.has_value();
    });
    return found;
}

bool EndToEnd::waitUntilGone(const QString& title, const QString& window) {
    return poll([&] { return !visibleWindows(title).contains(window); });
}

bool EndToEnd::waitForFocus(const QString& window) {
    // Quietly: asking fails while the focus is on no window at all.
    return poll([&] {
        return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}, xEnvironment_)
                   .output.trimmed() == window;
    });
}

bool EndToEnd::clickAt(const QPoint& point) {
    return xdo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(point.x()),
                QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")});
}

bool EndToEnd::click(const std::optional<Accessible>& object) {
    if (!object)
        return false;
    const QRect area = object->extents();
    return !area.isEmpty() && clickAt(area.center());
}

bool EndToEnd::type(const QString& text) {
    return xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), text});
}

std::optional<Accessible> EndToEnd::mainFrame() {
    for (const Accessible& window : application_->children())
        if (window.role() == QLatin1String("frame") && window.name() == kMainTitle)
            return window;
    return std::nullopt;
}

std::optional<Accessible> EndToEnd::inMainWindow(const QString& role, const QString& name) {
    const std::optional<Accessible> main = mainFrame();
    return main ? main->find(role, name) : std::nullopt;
}

std::optional<Accessible> EndToEnd::drawRingsButton() {
    return inMainWindow(QStringLiteral("push button"), QStringLiteral("draw rings"));
}

std::optional<Accessible> EndToEnd::dialog(const QString& title) {
    for (const Accessible& window : application_->children())
        if (window.role() != QLatin1String("frame") && window.name() == title)
            return window;
    return std::nullopt;
}

// The entry field on the row of the label with that caption.
std::optional<Accessible> EndToEnd::field(const QString& caption) {
    const std::optional<Accessible> panel =
        inMainWindow(QStringLiteral("frame"), QStringLiteral("Controls"));
    const std::optional<Accessible> label =
        panel ? panel->find(QStringLiteral("label"), caption) : std::nullopt;
    if (!label)
        return std::nullopt;
    const QRect labelArea = label->extents();
    std::optional<Accessible> nearest;
    int nearestDistance = INT_MAX;
    for (const Accessible& object : panel->subtree()) {
        if (object.role() != QLatin1String("text"))
            continue;
        const QRect area = object.extents();
        const bool sameRow = area.top() <= labelArea.bottom() && area.bottom() >= labelArea.top();
        const int distance = area.left() - labelArea.left();
        if (sameRow && distance > 0 && distance < nearestDistance) {
            nearest = object;
            nearestDistance = distance;
        }
    }
    return nearest;
}

bool EndToEnd::chooseFileMenuItem(const QString& caption) {
    const std::optional<Accessible> file =
        inMainWindow(QStringLiteral("menu item"), QStringLiteral("   File"));
    if (!click(file))
        return false;
    const std::optional<Accessible> item = file->find(QStringLiteral("menu item"), caption);
    return item && poll([&] { return item->showing(); }) && click(item);
}

bool EndToEnd::pressButton(const QString& window, const QString& caption) {
    std::optional<Accessible> button;
    return poll([&] {
               const std::optional<Accessible> found = dialog(window);
               return found && (button = found->find(QStringLiteral("push button"), caption));
           }) &&
           click(button);
}

bool EndToEnd::enterText(const QString& fieldCaption, const QString& text) {
    const std::optional<Accessible> entry = field(fieldCaption);
    // With no window manager, the keyboard focus falls back to the root
    // window when a dialog closes; the test gives it to the main window, as a
    // window manager does on a click.
    return xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainWindow_}) &&
           click(entry) && xdo({QStringLiteral("key"), QStringLiteral("ctrl+a")}) && type(text) &&
           poll([&] { return entry->text() == text; });
}

// Types into the file name box of the dialog that has just opened, and
// confirms with Enter.
bool EndToEnd::answerFileDialog(const QString& title, const QString& typed) {
    const std::optional<QString> window = waitForNewWindow(title);
    return window && waitForFocus(*window) && type(typed) &&
           xdo({QStringLiteral("key"), QStringLiteral("Return")}) && waitUntilGone(title, *window);
}

// The texts of the message box with that title, one a line.
QString EndToEnd::messageIn(const QString& title) {
    const std::optional<Accessible> box = dialog(title);
    QStringList texts;
    if (box)
        for (const Accessible& object : box->subtree())
            if (object.role() == QLatin1String("label"))
                texts << object.name();
    return texts.join(QLatin1Char('\n'));
}

QRect EndToEnd::canvasOnScreen() {
    // The canvas window keeps its design caption, "rr".
    const std::optional<Accessible> canvas =
        inMainWindow(QStringLiteral("frame"), QStringLiteral("rr"));
    return canvas ? canvas->extents() : QRect();
}

// The panel's part of the canvas, in canvas coordinates.
QRect EndToEnd::panelOn(const QRect& canvas) {
    const std::optional<Accessible> panel =
        inMainWindow(QStringLiteral("frame"), QStringLiteral("Controls"));
    return panel ? panel->extents().translated(-canvas.topLeft()) : QRect();
}

QImage EndToEnd::grabCanvas() {
    const QRect canvas = canvasOnScreen();
    return canvas.isEmpty() ? QImage() : x_.grab(canvas);
}

QTEST_GUILESS_MAIN(EndToEnd)
#include "test_endtoend.moc"
