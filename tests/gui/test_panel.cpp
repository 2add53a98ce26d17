// The control panel fc1 on its own: its fields, its controls and the two
// handlers, drawing on a canvas that lives only in memory.

#include "panel/controlpanel.h"
#include "pixels.h"
#include "sim/buffercanvas.h"
#include "sim/errors.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>

using namespace vorlane;
using panel::ControlPanel;
using test::filledWith;
using test::greyPixel;

namespace {

// The random stream, noting whether the wait cursor is up while it is used.
class WatchingRandom final : public sim::RandomSource {
public:
    bool sawWaitCursor = false;
    bool sawOtherCursor = false;

    float next() override {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        (cursor && cursor->shape() == Qt::WaitCursor ? sawWaitCursor : sawOtherCursor) = true;
        return random_.next();
    }

private:
    sim::Mt19937Source random_;
};

QImage pictureOf(const sim::BufferCanvas& canvas) {
    QImage image(canvas.widthPixels(), canvas.heightPixels(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, canvas.pixel(x, y));
    return image;
}

// A main window whose canvas comes out 400 by 300 pixels at 15 twips a pixel.
constexpr sim::WindowSize kMain{300.0f * 15.0f + 500.0f, 400.0f * 15.0f + 200.0f};

} // namespace

class TestPanel : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ControlPanel> panel_;

private slots:
    void init() { panel_ = std::make_unique<ControlPanel>(); }
    void cleanup() { panel_.reset(); }

    void fieldsStartWithTheirDefaults_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("smin") << "txtsegmin" << "4";
        QTest::newRow("smax") << "txtsegmax" << "100";
        QTest::newRow("lines") << "txtlines" << "750";
        QTest::newRow("seg ln") << "txtseglength" << ".02";
        QTest::newRow("scratch col") << "txtscratchcol" << "50";
        QTest::newRow("sky col") << "txtsky" << "0";
        QTest::newRow("width") << "txtdrawwidth" << "1";
        QTest::newRow("anglim") << "txtanglim" << "15";
        QTest::newRow("lam") << "txtlam" << "";
    }

    void fieldsStartWithTheirDefaults() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QCOMPARE(panel_->fieldText(field), text);
    }

    void fieldTextsAreReadAndWrittenByName() {
        panel_->setFieldText(QStringLiteral("txtlines"), QStringLiteral("12"));
        QCOMPARE(panel_->fieldText(QStringLiteral("txtlines")), QStringLiteral("12"));
        QCOMPARE(qobject_cast<QLineEdit*>(&panel_->control(QStringLiteral("txtlines")))->text(),
                 QStringLiteral("12"));
        QCOMPARE(panel_->fieldText(QStringLiteral("txtsegmax")), QStringLiteral("100"));
    }

    void onlyEntryFieldsHaveFieldTexts() {
        QVERIFY_THROWS_EXCEPTION(std::logic_error, panel_->fieldText(QStringLiteral("Label1")));
        QVERIFY_THROWS_EXCEPTION(std::logic_error,
                                 panel_->setFieldText(QStringLiteral("nosuch"), QString()));
    }

    void captionsAndTicks() {
        QCOMPARE(panel_->windowTitle(), QStringLiteral("Controls"));
        QCOMPARE(panel_->button(QStringLiteral("cmdhex")).text(), QStringLiteral("draw rings"));
        QCOMPARE(panel_->button(QStringLiteral("cmdclear")).text(), QStringLiteral("Clear"));
        auto* address = qobject_cast<QLabel*>(&panel_->control(QStringLiteral("Label10")));
        QCOMPARE(address->textFormat(), Qt::PlainText);
        QCOMPARE(address->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        for (const char* name : {"k2", "k3", "k4", "k5", "k6"})
            QVERIFY(panel_->button(QString::fromLatin1(name)).isChecked());
    }

    void rectanglesLieBeneathTheControlsOnThem() {
        for (const char* name : {"txtsegmin", "txtanglim", "cmdhex", "cmdclear"}) {
            QWidget& control = panel_->control(QString::fromLatin1(name));
            QWidget* top = panel_->childAt(control.geometry().center());
            QVERIFY2(top == &control || control.isAncestorOf(top), name);
        }
    }

    void controlsOutsideTheVisibleAreaExistBeyondIt() {
        const QRect visible = panel_->rect();
        for (const char* name : {"Command2", "Command3", "Command4", "txtlam", "Label2", "lblir",
                                 "Label6", "k2", "k3", "k4", "k5", "k6"})
            QVERIFY2(!visible.intersects(panel_->control(QString::fromLatin1(name)).geometry()), name);
        for (const char* name : {"txtsegmin", "txtanglim", "cmdhex", "cmdclear", "Label10"})
            QVERIFY2(visible.contains(panel_->control(QString::fromLatin1(name)).geometry()), name);
    }

    // "Clear".

    void clearBeforeAnyDrawingLeavesTheCanvasWhite() {
        sim::BufferCanvas canvas(50, 40);
        ControlPanel::cmdclear_Click(canvas);
        QVERIFY(filledWith(pictureOf(canvas), greyPixel(255)));
    }

    // "draw rings".

    void drawRingsReadsTheFieldsAsTheyAreNow() {
        panel_->setFieldText(QStringLiteral("txtsky"), QStringLiteral("77"));
        panel_->setFieldText(QStringLiteral("txtlines"), QStringLiteral("0"));
        panel_->setFieldText(QStringLiteral("txtdrawwidth"), QStringLiteral("3"));
        sim::BufferCanvas canvas(10, 10);
        sim::Mt19937Source random;
        panel_->cmdhex_Click(kMain, canvas, random);
        QCOMPARE(canvas.widthPixels(), 400);
        QCOMPARE(canvas.heightPixels(), 300);
        QCOMPARE(canvas.pixel(0, 0), greyPixel(77));
        QCOMPARE(canvas.drawWidth(), std::int16_t{3});
    }

    void drawRingsShowsTheWaitCursorWhileItDraws() {
        panel_->setFieldText(QStringLiteral("txtlines"), QStringLiteral("3"));
        sim::BufferCanvas canvas(10, 10);
        WatchingRandom random;
        panel_->cmdhex_Click(kMain, canvas, random);
        QVERIFY(random.sawWaitCursor);
        QVERIFY(!random.sawOtherCursor);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void aFailedDrawingRestoresTheCursorAndKeepsWhatItDid() {
        panel_->setFieldText(QStringLiteral("txtsky"), QStringLiteral("sky"));
        sim::BufferCanvas canvas(10, 10);
        sim::Mt19937Source random;
        try {
            panel_->cmdhex_Click(kMain, canvas, random);
            QFAIL("a sky grey that is no number was taken");
        } catch (const sim::RuntimeError& error) {
            QCOMPARE(error.kind(), sim::ErrorKind::TypeMismatch);
        }
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(canvas.widthPixels(), 400); // sized before the sky grey was read
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
