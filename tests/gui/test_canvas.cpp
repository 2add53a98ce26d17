// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas window f1: its drawing operations, their failures, and the
// window that shows the persistent image. Run also at device-pixel ratios 2,
// 1.5 and 1.75, where the image has the window's size in device pixels.

#include "pixels.h"
#include "screen/twips.h"
#include "shell/canvaswindow.h"
#include "sim/rules/errors.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QBackingStore>
#include <QTest>

#include <cmath>
#include <fstream>
#include <memory>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

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

// Twips as the image's size: whole device-independent pixels, then device ones.
QSize devicePixels(float widthTwips, float heightTwips) {
    return QSize(screen::sizePixels(widthTwips), screen::sizePixels(heightTwips)) *
           qApp->devicePixelRatio();
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
        QCOMPARE(image.size(), devicePixels(4965.0f, 5310.0f));
        QCOMPARE(image.devicePixelRatio(), qApp->devicePixelRatio());
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
        QCOMPARE(image.size(), devicePixels(3000.0f, 1500.0f));
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

    void sizeReadsBackInTwipsOfWholePixels_data() {
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("width");
        QTest::newRow("even") << 1000.0f << 2003.0f;
        QTest::newRow("odd pixels") << 15795.0f << 5535.0f;
        QTest::newRow("odd again") << 10035.0f << 5595.0f;
    }
    void sizeReadsBackInTwipsOfWholePixels() {
        QFETCH(float, height);
        QFETCH(float, width);
        canvas_->setHeight(height);
        canvas_->setWidth(width);
        const qreal ratio = qApp->devicePixelRatio();
        // Half a pixel of each kind off, and what cutting the twips in a device
        // pixel to 9 bits adds (nothing at 100 %, 150 % and 200 %).
        const double cut = std::fabs(screen::twipsPerDevicePixel(ratio) -
                                     screen::twipsPerPixel() / ratio);
        const double off = (screen::twipsPerPixel() + screen::twipsPerDevicePixel(ratio)) / 2.0 +
                           cut * std::max(canvas_->Image().width(), canvas_->Image().height());
        QVERIFY(std::fabs(canvas_->height() - height) <= off);
        QVERIFY(std::fabs(canvas_->width() - width) <= off);
        // No border: the window is exactly as large as its picture.
        const QImage image = canvas_->Image();
        QCOMPARE(frameOf(*canvas_).size() * ratio, image.size());
        // In the proportion of the pixel counts exactly, as the drawing reads it.
        QCOMPARE(double{canvas_->height()} * image.width(), double{canvas_->width()} * image.height());
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
        QCOMPARE(frameOf(*canvas_).size() * qApp->devicePixelRatio(), before);
    }

    // Qt gives a null image where the memory runs out; the canvas names it
    // as what it is, and keeps its picture.
    void outOfMemoryIsNamedAsSuch() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("the sanitizers' allocators end the process where memory runs out");
#endif
        canvas_->setHeight(screen::twipsForPixels(4000));
        canvas_->setWidth(screen::twipsForPixels(8000)); // 128 MB
        rlimit before{};
        QCOMPARE(::getrlimit(RLIMIT_AS, &before), 0);
        const auto restore = qScopeGuard([&before] { ::setrlimit(RLIMIT_AS, &before); });
        rlim_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlimit tight{pages * rlim_t(::sysconf(_SC_PAGESIZE)) + (64 << 20), before.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_AS, &tight), 0);
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, canvas_->Image());
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, canvas_->setWidth(screen::twipsForPixels(16000)));
        ::setrlimit(RLIMIT_AS, &before);
        QCOMPARE(canvas_->Image().size(), QSize(8000, 4000) * qApp->devicePixelRatio());
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

    // What the window system gets, the backing store: each image pixel on one
    // device pixel, also where the window starts in the middle of one (odd
    // positions at 150 %).
    void theScreenShowsTheImageOneToOne_data() {
        QTest::addColumn<QPoint>("position"); // device-independent pixels
        QTest::newRow("corner") << QPoint(0, 0);
        QTest::newRow("odd") << QPoint(3, 7);
    }
    void theScreenShowsTheImageOneToOne() {
        QFETCH(QPoint, position);
        area_->show();
        canvas_->Show();
        QVERIFY(QTest::qWaitForWindowExposed(area_.get()));
        const float twips = static_cast<float>(screen::twipsPerPixel());
        canvas_->setLeft(static_cast<float>(position.x()) * twips);
        canvas_->setTop(static_cast<float>(position.y()) * twips);
        // Fitted to its place, as "draw rings" fits it.
        canvas_->setHeight(5310.0f);
        canvas_->scale(0.0f, 0.0f, 1.0f, 1.0f);
        canvas_->setForeColor(kRed);
        canvas_->line(0.0f, 0.5f, 1.0f, 0.5f);
        canvas_->setForeColor(kGreen);
        canvas_->line(0.1f, 0.0f, 0.9f, 1.0f);
        const QImage image = canvas_->Image();
        const qreal ratio = image.devicePixelRatio();
        // Where the backing store starts the canvas: it rounds positions as QPoint * qreal does.
        const QPoint at = canvas_->hWnd()->mapTo(area_.get(), QPoint()) * ratio;
        const auto shownOnScreen = [&] {
            const QPaintDevice* device = area_->backingStore()->paintDevice();
            if (device->devType() != QInternal::Image)
                return QImage();
            QImage shown = static_cast<const QImage*>(device)
                               ->convertToFormat(QImage::Format_RGB32)
                               .copy(QRect(at, image.size()));
            shown.setDevicePixelRatio(ratio);
            return shown;
        };
        QTRY_COMPARE(shownOnScreen(), image);
        const QImage shown = shownOnScreen();
        // The pen of 1 is one device pixel: one row of red across the canvas.
        int redRows = 0;
        for (int y = 0; y < shown.height(); ++y)
            redRows += shown.pixel(shown.width() / 4, y) == sim::toPixel(kRed);
        QCOMPARE(redRows, 1);
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
