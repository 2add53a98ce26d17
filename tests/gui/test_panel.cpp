// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control panel fc1 on its own: its fields, its controls and "draw
// rings", drawing on a canvas that lives only in memory.

#include "contrast.h"
#include "panel/controlpanel.h"
#include "panel/controltable.h"
#include "pixels.h"
#include "sim/command/fields.h"
#include "sim/pixels/buffercanvas.h"
#include "sim/rules/errors.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

using namespace vorlane;
using panel::ControlPanel;
using test::backAndText;
using test::contrast;
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

// A dark scheme as a desktop sets it: light text on dark backgrounds.
QPalette darkPalette() {
    QPalette dark(QColor(230, 230, 230), QColor(45, 45, 45));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    return dark;
}

// The application's style and palette for a while, then back as they were.
class DesktopLook {
public:
    DesktopLook(const QString& style, bool dark) {
        QVERIFY2(QApplication::setStyle(style), qPrintable(style));
        if (dark)
            QApplication::setPalette(darkPalette());
    }
    ~DesktopLook() {
        QApplication::setStyle(style_);
        QApplication::setPalette(palette_);
    }

private:
    QString style_ = QApplication::style()->name();
    QPalette palette_ = QApplication::palette();
};

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

    // The panel is drawn alike whatever the desktop's style and palette,
    // dark ones too, whether set before the panel is made or after.
    void looksTheSameOnEveryDesktop_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("afterwards");
        QTest::newRow("Windows") << "Windows" << false << false;
        QTest::newRow("Adwaita") << "Adwaita" << false << false;
        QTest::newRow("Adwaita-Dark") << "Adwaita-Dark" << false << false;
        QTest::newRow("Adwaita-Dark, afterwards") << "Adwaita-Dark" << false << true;
        QTest::newRow("Fusion, dark palette") << "Fusion" << true << false;
        QTest::newRow("Windows, dark palette") << "Windows" << true << false;
        QTest::newRow("Fusion, dark palette afterwards") << "Fusion" << true << true;
    }

    void looksTheSameOnEveryDesktop() {
        QFETCH(QString, style);
        QFETCH(bool, dark);
        QFETCH(bool, afterwards);
        const QImage usual = panel_->grab().toImage();
        std::optional<DesktopLook> look;
        if (!afterwards)
            look.emplace(style, dark);
        ControlPanel panel;
        if (afterwards) {
            look.emplace(style, dark);
            QCoreApplication::processEvents();
        }
        QCOMPARE(panel.grab().toImage(), usual);
    }

    // Under a dark palette every caption and field text on a background that
    // the design fixes can be read: a contrast of 4.5:1 at least, except the
    // colour pairs of the design itself, which keep the design's colours.
    void textOnFixedBackgroundsCanBeRead() {
        using namespace panel::design;
        const DesktopLook look(QStringLiteral("Fusion"), true);
        ControlPanel panel;
        const QImage shot = panel.grab().toImage();
        int checked = 0;
        for (const ControlData& row : kControls) {
            QWidget& control = panel.control(QString::fromLatin1(row.name));
            // The labels lie on the panel's own fixed grey.
            if (row.kind == Kind::Rectangle || !panel.rect().contains(control.geometry()) ||
                (!row.back && row.kind != Kind::Label))
                continue;
            // Inside the fields' and buttons' frames.
            const QRect area =
                control.contentsRect().adjusted(3, 3, -3, -3).translated(control.pos());
            const auto [back, text] = backAndText(shot, area);
            // A button shades its face from the design's colour.
            if (row.kind != Kind::Button)
                QCOMPARE(back, QColor(row.back.value_or(kBackColor)).rgb());
            if (row.fore && contrast(*row.fore, back) < 4.5)
                QVERIFY2(contrast(text, QColor(*row.fore).rgb()) < 1.2, row.name);
            else
                QVERIFY2(
                    contrast(text, back) >= 4.5,
                    qPrintable(QStringLiteral("%1: %2").arg(row.name).arg(contrast(text, back))));
            ++checked;
        }
        QCOMPARE(checked,
                 17); // every label in sight, every field and button with a fixed background
    }

    // Each control that takes the focus has a name for a screen reader, and
    // one beyond the panel's visible area says so.
    void controlsThatTakeTheFocusAreNamed_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("outside");
        QTest::newRow("smin") << "txtsegmin"
                              << "smin" << false;
        QTest::newRow("anglim") << "txtanglim"
                                << "anglim" << false;
        QTest::newRow("draw rings") << "cmdhex"
                                    << "draw rings" << false;
        QTest::newRow("lam") << "txtlam"
                             << "lam, nm" << true;
        QTest::newRow("solcheck") << "Command2"
                                  << "solcheck" << true;
        QTest::newRow("check box") << "k6"
                                   << "6" << true;
    }

    void controlsThatTakeTheFocusAreNamed() {
        QFETCH(QString, control);
        QAccessibleInterface* shown =
            QAccessible::queryAccessibleInterface(&panel_->control(control));
        QVERIFY(shown);
        QTEST(shown->text(QAccessible::Name), "name");
        QTEST(shown->text(QAccessible::Description)
                  .contains("outside the panel's visible area", Qt::CaseInsensitive),
              "outside");
        // The others alike.
        for (QWidget* other : panel_->findChildren<QWidget*>())
            if (other->focusPolicy() & Qt::TabFocus) {
                QAccessibleInterface* any = QAccessible::queryAccessibleInterface(other);
                QVERIFY2(!any->text(QAccessible::Name).isEmpty(), qPrintable(other->objectName()));
                QCOMPARE(!any->text(QAccessible::Description).isEmpty(),
                         !panel_->rect().contains(other->geometry()));
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
