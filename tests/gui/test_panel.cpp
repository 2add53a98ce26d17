// The control panel fc1 on its own: its fields, its controls and "draw
// rings", drawing on a canvas that lives only in memory.

#include "panel/controlpanel.h"
#include "pixels.h"
#include "sim/buffercanvas.h"
#include "sim/errors.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QtTest>

#include <memory>

using namespace vorlane;
using panel::ControlPanel;
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

    void onlyEntryFieldsHaveFieldTexts() {
        QVERIFY_THROWS_EXCEPTION(std::logic_error, panel_->fieldText(QStringLiteral("Label1")));
        QVERIFY_THROWS_EXCEPTION(std::logic_error,
                                 panel_->setFieldText(QStringLiteral("nosuch"), QString()));
    }

    void rectanglesLieBeneathTheControlsOnThem() {
        for (const char* name : {"txtsegmin", "txtanglim", "cmdhex", "cmdclear"}) {
            QWidget& control = panel_->control(QString::fromLatin1(name));
            QWidget* top = panel_->childAt(control.geometry().center());
            QVERIFY2(top == &control || control.isAncestorOf(top), name);
        }
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
