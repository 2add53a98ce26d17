// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

namespace vorlane::shell {

// Runs an event handler. A run-time error that escapes it ends it there and
// is reported in a message box that names it; the program goes on, and
// nothing the handler did before the error is undone. Anything else that
// escapes it (no memory, a fault of the program) ends it the same way, with
// a message that says what it was. The one place that catches errors. A
// handler asked for while another runs is skipped.
void runHandler(QWidget& owner, const std::function<void()>& handler);

} // namespace vorlane::shell
