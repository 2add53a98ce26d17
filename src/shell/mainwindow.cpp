// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "screen/twips.h"

#include <QDirIterator>
#include <QIcon>
#include <QMdiArea>
#include <QMenuBar>
#include <QShortcut>

#include <stdexcept>

namespace vorlane::shell {

namespace {

// The client area at the design size.
constexpr float kClientWidth = 11880.0f;
constexpr float kClientHeight = 8595.0f;

struct MenuEntry {
    const char* name;
    const char* caption; // "-" is a separator
};

constexpr const char* kFileMenuCaption = "   File";

constexpr MenuEntry kFileMenu[] = {
    {"savparam", "   Save Parameters"},
    {"retparam", "   Retrieve Parameters"},
    {"blank", "-"},
    {"savim_menu", "  Save Image as BMP file"},
};

} // namespace

MainWindow::MainWindow() : area_(new QMdiArea) {
    setWindowTitle(QStringLiteral("Vorlane"));
    // The icon that the desktop's menu shows for the installed program, in
    // each of its sizes, so that a small one is the one drawn for it rather
    // than the large one scaled down.
    QIcon icon;
    for (QDirIterator it(QStringLiteral(":/icons")); it.hasNext();)
        icon.addFile(it.next());
    setWindowIcon(icon);
    // No frame around the area: its whole widget is the client area.
    area_->setFrameShape(QFrame::NoFrame);
    setCentralWidget(area_);

    QMenu* file = menuBar()->addMenu(QString::fromLatin1(kFileMenuCaption));
    file->setObjectName(QStringLiteral("file"));
    for (const MenuEntry& entry : kFileMenu) {
        const QString caption = QString::fromLatin1(entry.caption);
        QAction* item =
            caption == QLatin1String("-") ? file->addSeparator() : file->addAction(caption);
        item->setObjectName(QString::fromLatin1(entry.name));
        menuItems_.insert(item->objectName(), item);
    }
    // F10 opens the File menu, as in other desktop programs.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this, file] { menuBar()->setActiveAction(file->menuAction()); });

    resize(screen::sizePixels(kClientWidth),
           screen::sizePixels(kClientHeight) + menuBar()->sizeHint().height());
}

QAction& MainWindow::menuItem(const QString& name) const {
    QAction* item = menuItems_.value(name);
    if (!item)
        throw std::logic_error("no File menu item " + name.toStdString());
    return *item;
}

} // namespace vorlane::shell
