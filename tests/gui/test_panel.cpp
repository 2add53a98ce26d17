// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control panel fc1 on its own: its fields, its controls and "draw
// rings", drawing on a canvas that lives only in memory.

#include "panel/controlpanel.h"
#include "panel/controltable.h"
#include "pixels.h"
#include "sim/buffercanvas.h"
#include "sim/errors.h"
#include "sim/fields.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
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
constexpr sim::WindowSize kMain = sim::mainWindowFor(400, 300);

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
        for (const sim::RingField& field : sim::kRingFieldsByName)
            QTest::newRow(field.caption) << field.name << field.defaultText;
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

    // Every caption the panel shows is whole in the font the program really
    // gets: the named one, installed by the project's scripts (on a machine
    // without it the family check fails), measured against the box that the
    // label paints into. Boxes keep their design position and only grow.
    void captionsAreWhole_data() {
        using namespace panel::design;
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("design"); // twips
        // The labels within the panel at its design size; the others lie beyond it.
        for (const ControlData& row : kControls)
            if (row.kind == Kind::Label && row.top < kClientHeight)
                QTest::newRow(row.text)
                    << row.name << row.text
                    << QRectF(row.left, row.top, row.width, row.height).toRect();
    }

    void captionsAreWhole() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, design);
        const auto* label = qobject_cast<QLabel*>(&panel_->control(name));
        QVERIFY(label);
        QCOMPARE(label->text(), caption);
        QCOMPARE(QFontInfo(label->font()).family(), QString::fromLatin1(panel::design::kFamily));

        // At 96 dpi a pixel is 15 twips.
        const QRect box = label->geometry();
        QCOMPARE(box.topLeft(), QPoint(design.left() / 15, design.top() / 15));
        QVERIFY(box.width() >= design.width() / 15 && box.height() >= design.height() / 15);
        const QRect needed = label->fontMetrics().boundingRect(
            label->contentsRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, caption);
        QVERIFY2(label->contentsRect().contains(needed),
                 qPrintable(QStringLiteral("needs %1 x %2 pixels, has %3 x %4")
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(label->contentsRect().width())
                                .arg(label->contentsRect().height())));

        // Growing never covers another control, the fields' backdrop
        // included, nor leaves the panel.
        QVERIFY(panel_->rect().contains(box));
        for (const QWidget* other : panel_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(other == label || !other->geometry().intersects(box),
                     qPrintable(other->objectName()));
    }

    void buttonCaptionsAreWhole() {
        for (const char* name : {"cmdhex", "cmdclear"}) {
            auto* button = qobject_cast<QPushButton*>(&panel_->button(QString::fromLatin1(name)));
            QVERIFY(button);
            QCOMPARE(QFontInfo(button->font()).family(),
                     QString::fromLatin1(panel::design::kFamily));
            QStyleOptionButton option;
            option.initFrom(button);
            const QRect room =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const QFontMetrics metrics = button->fontMetrics();
            QVERIFY2(metrics.horizontalAdvance(button->text()) <= room.width() &&
                         metrics.height() <= room.height(),
                     name);
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
