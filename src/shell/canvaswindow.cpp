// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvaswindow.h"

#include "childframe.h"

#include "screen/twips.h"
#include "sim/errors.h"

#include <QPaintEvent>
#include <QPainter>

namespace vorlane::shell {

namespace {
// The drawing area when the canvas is created; the start-up replaces it
// before the canvas is first seen.
constexpr float kDesignWidth = 4965.0f;
constexpr float kDesignHeight = 5310.0f;

// A drawing area needs at least one pixel each way: an empty one could hold
// no picture and no bitmap file.
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
    painter.drawImage(event->rect(), image_, event->rect());
}

CanvasWindow::CanvasWindow(QMdiArea& area)
    : view_(new CanvasView(image_)), frame_(new ChildFrame(area, view_, Qt::FramelessWindowHint)) {
    resize(areaPixels(kDesignWidth), areaPixels(kDesignHeight));
}

CanvasWindow::~CanvasWindow() {
    delete frame_;
}

void CanvasWindow::Show() {
    frame_->show();
}

void CanvasWindow::setHeight(float twips) {
    resize(image_.width(), areaPixels(twips));
}

void CanvasWindow::setWidth(float twips) {
    resize(areaPixels(twips), image_.height());
}

float CanvasWindow::height() const {
    return screen::twipsForPixels(image_.height());
}

float CanvasWindow::width() const {
    return screen::twipsForPixels(image_.width());
}

void CanvasWindow::setTop(float twips) {
    frame_->setTop(twips);
}

void CanvasWindow::setLeft(float twips) {
    frame_->setLeft(twips);
}

QImage CanvasWindow::Image() const {
    return image_.copy();
}

QWidget* CanvasWindow::hWnd() const {
    return view_;
}

void CanvasWindow::pixelsChanged() {
    view_->imageChanged();
}

// What was drawn does not survive a resize: the new area shows the
// background. Colours, pen width and coordinate system stay.
void CanvasWindow::resize(int widthPixels, int heightPixels) {
    if (image_.width() == widthPixels && image_.height() == heightPixels)
        return;
    image_ = QImage(widthPixels, heightPixels, QImage::Format_RGB32);
    image_.fill(sim::toPixel(backColor()));
    attach({reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(), image_.height(),
            image_.bytesPerLine() / 4});
    frame_->resize(widthPixels, heightPixels);
    view_->imageChanged();
}

} // namespace vorlane::shell
