// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's three windows. Each exists once and is reached only through
// here; the first use of a window creates it with its design values.

#include <memory>

namespace vorlane::panel {
class ControlPanel;
}

namespace vorlane::shell {

class CanvasWindow;
class ChildFrame;
class MainWindow;

class Forms {
public:
    Forms();
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    // Creating main runs its load step, before main is first shown.
    MainWindow& main();
    CanvasWindow& f1();
    panel::ControlPanel& fc1();
    // The panel's window in main's client area.
    ChildFrame& fc1Frame();

private:
    void MDIForm_Load();

    std::unique_ptr<MainWindow> main_;
    // Declared after main_, so the canvas is gone before main's client area.
    std::unique_ptr<CanvasWindow> f1_;
    // Owned by main's client area.
    panel::ControlPanel* fc1_ = nullptr;
    ChildFrame* fc1Frame_ = nullptr;
};

} // namespace vorlane::shell
