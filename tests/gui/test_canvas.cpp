// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas window f1: its drawing operations, their failures, and the
// window that shows the persistent image.

#include "pixels.h"
#include "screen/twips.h"
#include "shell/canvaswindow.h"
#include "sim/errors.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace vorlane;
using shell::CanvasWindow;
using test::countPixels;
using test::filledWith;
using test::greyPixel;

namespace {

constexpr sim::Colour kRed = 255;
constexpr sim::Colour kGreen = 255 * 256;

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void expectRefused(const std::function<void()>& operation) {
    try {
        operation();
        QFAIL("the operation was not refused");
    } catch (const sim::RuntimeError& error) {
        QCOMPARE(error.kind(), sim::ErrorKind::InvalidPropertyValue);
    }
}

QMdiSubWindow& frameOf(const CanvasWindow& canvas) {
    return *qobject_cast<QMdiSubWindow*>(canvas.hWnd()->parentWidget());
}

} // namespace

class TestCanvas : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QMdiArea> area_;
    std::unique_ptr<CanvasWindow> canvas_;

private slots:
    void init() {
        area_ = std::make_unique<QMdiArea>();
        area_->resize(800, 600);
        canvas_ = std::make_unique<CanvasWindow>(*area_);
    }

    void cleanup() {
        canvas_.reset();
        area_.reset();
    }

    // Design values and the state before anything was drawn.

    void startsHiddenWhiteAtItsDesignSize() {
        const QImage image = canvas_->Image();
        QCOMPARE(image.size(), QSize(screen::sizePixels(4965.0f), screen::sizePixels(5310.0f)));
        QVERIFY(filledWith(image, greyPixel(255)));
        QCOMPARE(canvas_->backColor(), sim::kWhite);
        QCOMPARE(canvas_->drawWidth(), std::int16_t{1});
        QVERIFY(frameOf(*canvas_).isHidden());
        QCOMPARE(frameOf(*canvas_).windowTitle(), QStringLiteral("rr"));
        QVERIFY(frameOf(*canvas_).windowFlags() & Qt::FramelessWindowHint);
    }

    void imageBeforeDrawingIsBackgroundAtDrawingAreaSize() {
        canvas_->setBackColor(kGreen);
        canvas_->setWidth(3000.0f);
        canvas_->setHeight(1500.0f);
        const QImage image = canvas_->Image();
        QCOMPARE(image.size(), QSize(screen::sizePixels(3000.0f), screen::sizePixels(1500.0f)));
        QVERIFY(filledWith(image, sim::toPixel(kGreen)));
    }

    void imageIsACopyThatLaterDrawingLeavesAlone() {
        const QImage before = canvas_->Image();
        canvas_->setForeColor(kRed);
        canvas_->line(0.0f, 0.0f, 100.0f, 100.0f);
        QVERIFY(filledWith(before, greyPixel(255)));
        QVERIFY(countPixels(canvas_->Image(), sim::toPixel(kRed)) > 0);
    }

    // Size and place.

    void sizeReadsBackInTwipsOfWholePixels() {
        canvas_->setHeight(1000.0f);
        canvas_->setWidth(2003.0f);
        const double half = screen::twipsPerPixel() / 2.0;
        QVERIFY(std::fabs(canvas_->height() - 1000.0) <= half);
        QVERIFY(std::fabs(canvas_->width() - 2003.0) <= half);
        // No border: the window is exactly as large as its picture.
        QCOMPARE(frameOf(*canvas_).size(), canvas_->Image().size());
    }

    void resizeKeepsTheDrawingState() {
        canvas_->setForeColor(kRed);
        canvas_->setDrawWidth(4);
        canvas_->setBackColor(kGreen);
        canvas_->setHeight(2400.0f);
        canvas_->setWidth(3600.0f);
        QCOMPARE(canvas_->foreColor(), kRed);
        QCOMPARE(canvas_->drawWidth(), std::int16_t{4});
        QCOMPARE(canvas_->backColor(), kGreen);
        QVERIFY(filledWith(canvas_->Image(), sim::toPixel(kGreen)));
    }

    void topAndLeftPlaceTheWindowInTheClientArea() {
        canvas_->setTop(300.0f);
        canvas_->setLeft(150.0f);
        QCOMPARE(frameOf(*canvas_).pos(),
                 QPoint(screen::positionPixels(150.0f), screen::positionPixels(300.0f)));
    }

    // Refused values: the canvas stays as it was.

    void penWidthBelowOneIsRefused() {
        canvas_->setDrawWidth(2);
        expectRefused([&] { canvas_->setDrawWidth(0); });
        expectRefused([&] { canvas_->setDrawWidth(-1); });
        QCOMPARE(canvas_->drawWidth(), std::int16_t{2});
    }

    void negativeOrUnusableSizesAreRefused() {
        const QSize before = canvas_->Image().size();
        expectRefused([&] { canvas_->setHeight(-15.0f); });
        expectRefused([&] { canvas_->setWidth(-1.0f); });
        expectRefused([&] { canvas_->setWidth(std::nanf("")); });
        expectRefused([&] { canvas_->setHeight(1e30f); });
        expectRefused([&] { canvas_->setLeft(std::nanf("")); });
        // An area without pixels could hold no picture.
        expectRefused([&] { canvas_->setHeight(0.0f); });
        QCOMPARE(canvas_->Image().size(), before);
        QCOMPARE(frameOf(*canvas_).size(), before);
    }

    // The window.

    void showMakesTheWindowVisibleShowingItsPicture() {
        area_->show();
        canvas_->Show();
        QVERIFY(QTest::qWaitForWindowExposed(area_.get()));
        QVERIFY(frameOf(*canvas_).isVisible());
        canvas_->setForeColor(kRed);
        canvas_->setDrawWidth(5);
        canvas_->line(0.0f, 0.0f, 300.0f, 200.0f);
        const QImage shown = canvas_->hWnd()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown, canvas_->Image());
    }

    void manyOperationsInARowArePaintedOnceAfterwards() {
        area_->show();
        canvas_->Show();
        QVERIFY(QTest::qWaitForWindowExposed(area_.get()));
        QCoreApplication::processEvents();
        PaintCounter counter;
        canvas_->hWnd()->installEventFilter(&counter);
        canvas_->scale(0.0f, 0.0f, 1.0f, 1.0f);
        for (int i = 0; i < 5000; ++i) {
            canvas_->setForeColor(i % 256 * 65793);
            canvas_->line(0.0f, static_cast<float>(i) / 5000.0f, 1.0f, 0.5f);
        }
        canvas_->cls();
        canvas_->setBackColor(kGreen);
        QTRY_VERIFY(counter.paints >= 1);
        QCoreApplication::processEvents();
        QCOMPARE(counter.paints, 1);
        // The next change is shown again.
        canvas_->line(0.0f, 0.0f, 1.0f, 1.0f);
        QTRY_COMPARE(counter.paints, 2);
    }
};

QTEST_MAIN(TestCanvas)
#include "test_canvas.moc"
