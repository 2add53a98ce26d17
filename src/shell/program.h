// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The running program: its windows, the File menu's handlers and the wiring
// of every user action to its handler.

#include "files/dialogs.h"
#include "forms.h"
#include "heldinput.h"
#include "sim/rules/random.h"

#include <functional>
#include <memory>

class QWidget;

namespace vorlane::files {
class Files;
}

namespace vorlane::shell {

class Program {
public:
    // Makes the dialogs of the File commands, owned by the window given.
    using DialogsMaker = std::function<std::unique_ptr<files::Dialogs>(QWidget* owner)>;

    // Creates main, which runs its load step, and wires the handlers; main
    // is not shown yet.
    explicit Program(const DialogsMaker& makeDialogs = qtDialogs);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Forms& forms() { return forms_; }

    void savparam_Click();
    void retparam_Click();
    void savim_menu_Click();

    static std::unique_ptr<files::Dialogs> qtDialogs(QWidget* owner);

private:
    // "draw rings", showing how far it has come.
    void drawRings();
    void wire();

    // What the user does while a drawing runs waits for its end.
    HeldInput held_;
    Forms forms_;
    // One stream for the whole run, never reseeded.
    sim::Mt19937Source random_;
    std::unique_ptr<files::Dialogs> dialogs_;
    std::unique_ptr<files::Files> files_;
};

} // namespace vorlane::shell
