// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvaswindow.h"

#include "childframe.h"

#include "screen/twips.h"
#include "sim/pixels/buffercanvas.h"
#include "sim/rules/errors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <new>

namespace vorlane::shell {

namespace {
// The drawing area when the canvas is created; the start-up replaces it
// before the canvas is first seen.
constexpr float kDesignWidth = 4965.0f;
constexpr float kDesignHeight = 5310.0f;

// A drawing area needs at least one pixel each way: an empty one could hold
// no picture and no bitmap file. In device-independent pixels, as the window's
// size.
int areaPixels(float twips) {
    const int pixels = screen::sizePixels(twips);
    if (pixels < 1)
        sim::raise(sim::ErrorKind::InvalidPropertyValue);
    return pixels;
}
} // namespace

CanvasView::CanvasView(const QImage& image) : image_(image) {
    // Every pixel comes from the image: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Set, though a window without a title bar never shows it.
    setWindowTitle(QStringLiteral("rr"));
    // What a screen reader says for the canvas.
    setAccessibleName(QStringLiteral("picture"));
}

void CanvasView::imageChanged() {
    if (updatePending_)
        return;
    updatePending_ = true;
    update();
}

void CanvasView::paintEvent(QPaintEvent* event) {
    updatePending_ = false;
    QPainter painter(this);
    if (image_.devicePixelRatio() != devicePixelRatio()) {
        // Drawn for a screen of another density: shown scaled until the next
        // drawing fits the image to this one.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image_);
        return;
    }
    // One image pixel on each device pixel, from the device pixel at which the
    // backing store starts this window: at 150 % a window at an odd position
    // starts half-way into a device pixel in the painter's own coordinates.
    const QTransform toDevice = painter.deviceTransform();
    const QPoint origin = toDevice.map(QPointF(0.0, 0.0)).toPoint();
    painter.setWorldTransform(QTransform::fromTranslate(origin.x(), origin.y()) *
                              toDevice.inverted());
    const QRect dirty = toDevice.mapRect(QRectF(event->rect())).toAlignedRect().translated(-origin);
    // Until the next resize, a window moved within its top-level window by an
    // odd offset may have a device pixel more than its image: the canvas's
    // design white, as it is only before the first drawing.
    for (const QRect& beyond : QRegion(dirty).subtracted(image_.rect()))
        painter.fillRect(beyond, Qt::white);
    const QRectF shown(dirty & image_.rect());
    painter.drawImage(shown, image_, shown);
}

CanvasWindow::CanvasWindow(QMdiArea& area)
    : view_(new CanvasView(image_)), frame_(new ChildFrame(area, view_, Qt::FramelessWindowHint)) {
    resize({areaPixels(kDesignWidth), areaPixels(kDesignHeight)});
}

CanvasWindow::~CanvasWindow() {
    delete frame_;
}

void CanvasWindow::Show() {
    frame_->show();
}

void CanvasWindow::setHeight(float twips) {
    resize({area_.width(), areaPixels(twips)});
}

void CanvasWindow::setWidth(float twips) {
    resize({areaPixels(twips), area_.height()});
}

float CanvasWindow::height() const {
    return screen::twipsForDevicePixels(image_.height(), image_.devicePixelRatio());
}

float CanvasWindow::width() const {
    return screen::twipsForDevicePixels(image_.width(), image_.devicePixelRatio());
}

void CanvasWindow::setTop(float twips) {
    frame_->setTop(twips);
}

void CanvasWindow::setLeft(float twips) {
    frame_->setLeft(twips);
}

QImage CanvasWindow::Image() const {
    // Qt gives a null image where the memory for it is missing.
    QImage copy = image_.copy();
    if (copy.isNull())
        throw std::bad_alloc();
    return copy;
}

QWidget* CanvasWindow::hWnd() const {
    return view_;
}

void CanvasWindow::pixelsChanged() {
    view_->imageChanged();
}

// What was drawn does not survive a resize: the new area shows the
// background. Colours, pen width and coordinate system stay. The image has
// the window's size in device pixels as the backing store gives it: it rounds
// the edges of the window's place in its top-level window, so at 150 % the
// size depends on that place. A screen of another density takes effect here.
void CanvasWindow::resize(QSize area) {
    const qreal ratio = view_->devicePixelRatio();
    const QPointF place = view_->mapTo(view_->window(), QPoint());
    const QSize pixels = QRectF(place * ratio, QSizeF(area) * ratio).toRect().size();
    if (pixels.width() > sim::kMostCanvasPixels || pixels.height() > sim::kMostCanvasPixels)
        sim::raise(sim::ErrorKind::InvalidPropertyValue);
    if (area == area_ && image_.size() == pixels && image_.devicePixelRatio() == ratio)
        return;
    QImage resized(pixels, QImage::Format_RGB32);
    if (resized.isNull())
        throw std::bad_alloc();
    resized.setDevicePixelRatio(ratio);
    area_ = area;
    image_ = std::move(resized);
    image_.fill(sim::toPixel(backColor()));
    attach({reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(), image_.height(),
            image_.bytesPerLine() / 4});
    frame_->resize(area);
    view_->imageChanged();
}

} // namespace vorlane::shell
