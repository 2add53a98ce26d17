// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include "canvaswindow.h"
#include "childframe.h"
#include "drawingprogress.h"
#include "files/files.h"
#include "files/qtdialogs.h"
#include "mainwindow.h"
#include "panel/controlpanel.h"
#include "runtimeerrors.h"
#include "screen/twips.h"

#include <QAbstractButton>
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace vorlane::shell {

Program::Program(const DialogsMaker& makeDialogs)
    : dialogs_(makeDialogs(forms_.f1().hWnd())), files_(std::make_unique<files::Files>(*dialogs_)) {
    wire();
}

Program::~Program() = default;

std::unique_ptr<files::Dialogs> Program::qtDialogs(QWidget* owner) {
    return std::make_unique<files::QtDialogs>(owner);
}

void Program::savparam_Click() {
    files_->savparamdlg(forms_.fc1());
}

void Program::retparam_Click() {
    files_->retparamdlg(forms_.fc1());
}

void Program::savim_menu_Click() {
    files_->savimage(forms_.f1().Image());
}

void Program::drawRings() {
    DrawingProgress shown(forms_.main(), held_);
    try {
        forms_.fc1().cmdhex_Click(
            screen::outerSize(forms_.main()), forms_.f1(), random_,
            [&shown](std::int64_t done, std::int64_t total) { shown.report(done, total); });
    } catch (const DrawingStopped&) {
        // main was closed: the program ends as soon as the handler returns.
    }
}

// Every user action that has a handler, and nothing else.
void Program::wire() {
    MainWindow& main = forms_.main();
    const auto handler = [&main](std::function<void()> body) {
        return [&main, body = std::move(body)] { runHandler(main, body); };
    };

    const std::pair<const char*, void (Program::*)()> menu[] = {
        {"savparam", &Program::savparam_Click},
        {"retparam", &Program::retparam_Click},
        {"savim_menu", &Program::savim_menu_Click},
    };
    for (const auto& [name, click] : menu)
        QObject::connect(&main.menuItem(QString::fromLatin1(name)), &QAction::triggered, &main,
                         handler([this, click = click] { (this->*click)(); }));

    panel::ControlPanel& fc1 = forms_.fc1();
    QObject::connect(&fc1.button(QStringLiteral("cmdhex")), &QAbstractButton::clicked, &fc1,
                     handler([this] { drawRings(); }));
    QObject::connect(&fc1.button(QStringLiteral("cmdclear")), &QAbstractButton::clicked, &fc1,
                     handler([this] { panel::ControlPanel::cmdclear_Click(forms_.f1()); }));

    // The canvas covers nearly all the client area: the panel stays above it
    // whichever child window is activated. Queued, because the area raises
    // the activated window only after it has announced it.
    QObject::connect(
        &main.area(), &QMdiArea::subWindowActivated, &main, [this] { forms_.fc1Frame().raise(); },
        Qt::QueuedConnection);
}

} // namespace vorlane::shell
