// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// main, the program's frame: a parent area for the child windows and the
// File menu.

#include <QHash>
#include <QMainWindow>

class QAction;
class QMdiArea;

namespace vorlane::shell {

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    MainWindow();

    // The client area in which the canvas and the panel live.
    QMdiArea& area() const { return *area_; }
    // A File menu item by its name (savparam, retparam, blank, savim_menu).
    QAction& menuItem(const QString& name) const;

private:
    QMdiArea* area_;
    QHash<QString, QAction*> menuItems_;
};

} // namespace vorlane::shell
