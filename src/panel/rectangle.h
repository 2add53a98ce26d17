// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace vorlane::panel {

// A filled rectangle with a one-pixel border: fill in the palette's Window
// colour, border in its WindowText colour. It takes no input.
class Rectangle final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vorlane::panel
