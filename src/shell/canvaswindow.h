// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// f1, the canvas: a frameless child window that shows its persistent image.
// The drawing operations write into the image; the window only repaints
// from it.

#include "sim/pixels/raster.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QMdiArea;

namespace vorlane::shell {

class ChildFrame;

// Shows the image it is given and repaints from it. Many changes in a row
// cost at most one repaint, scheduled for when the event loop next runs.
class CanvasView final : public QWidget {
    Q_OBJECT

public:
    explicit CanvasView(const QImage& image);

    void imageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& image_;
    bool updatePending_ = false;
};

class CanvasWindow final : public sim::RasterCanvas {
public:
    // Creates the canvas hidden in the area, with its design size and colours.
    explicit CanvasWindow(QMdiArea& area);
    ~CanvasWindow() override;
    CanvasWindow(const CanvasWindow&) = delete;
    CanvasWindow& operator=(const CanvasWindow&) = delete;

    void Show();

    // Outer size in twips; the canvas has no border, so this is also the size
    // of the drawing area and of the persistent image, which has it in the
    // screen's device pixels and carries their ratio.
    void setHeight(float twips) override;
    void setWidth(float twips) override;
    float height() const override;
    float width() const override;
    void setTop(float twips) override;
    void setLeft(float twips) override;

    // A copy of the persistent image as it is now; std::bad_alloc without the
    // memory for it.
    QImage Image() const;
    // The window, as the owner of dialogs.
    QWidget* hWnd() const;

private:
    void pixelsChanged() override;
    // In device-independent pixels.
    void resize(QSize area);

    // The raster draws through a pointer into these bits, so the image is
    // never shared: Image() hands out deep copies.
    QImage image_;
    QSize area_;
    CanvasView* view_;
    QPointer<ChildFrame> frame_;
};

} // namespace vorlane::shell
