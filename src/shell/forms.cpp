// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms.h"

#include "canvaswindow.h"
#include "childframe.h"
#include "mainwindow.h"
#include "panel/controlpanel.h"
#include "screen/twips.h"
#include "titlebarinreach.h"

namespace vorlane::shell {

Forms::Forms() = default;

Forms::~Forms() = default;

MainWindow& Forms::main() {
    if (!main_) {
        main_ = std::make_unique<MainWindow>();
        MDIForm_Load();
    }
    return *main_;
}

// main comes first in each: creating it runs the load step, which may create
// the child window being asked for.
CanvasWindow& Forms::f1() {
    QMdiArea& area = main().area();
    if (!f1_)
        f1_ = std::make_unique<CanvasWindow>(area);
    return *f1_;
}

panel::ControlPanel& Forms::fc1() {
    fc1Frame();
    return *fc1_;
}

ChildFrame& Forms::fc1Frame() {
    QMdiArea& area = main().area();
    if (!fc1Frame_) {
        fc1_ = new panel::ControlPanel;
        // A title without buttons: the panel can be moved, not resized or closed.
        fc1Frame_ = new ChildFrame(area, fc1_, Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        // Nothing would bring back a panel dragged out of reach.
        new TitleBarInReach(*fc1Frame_, area);
        fc1Frame_->adjustSize();
    }
    return *fc1Frame_;
}

void Forms::MDIForm_Load() {
    f1().Show();
    f1().setHeight(screen::outerSize(main()).height - 750.0f);
    f1().setWidth(screen::outerSize(main()).width - 200.0f);
    f1().setTop(0.0f);
    f1().setLeft(0.0f);
    fc1Frame().setTop(200.0f);
    fc1Frame().setLeft(50.0f);
    fc1Frame().show();
}

} // namespace vorlane::shell
