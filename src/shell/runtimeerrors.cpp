// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtimeerrors.h"

#include "sim/rules/errors.h"

#include <QMessageBox>
#include <QScopeGuard>

#include <exception>
#include <new>
#include <optional>
#include <string>

namespace vorlane::shell {

namespace {

void report(QWidget& owner, const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vorlane"),
                    QString::fromStdString(message), QMessageBox::Ok, &owner);
    // A field's text in it is the user's, never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void runHandler(QWidget& owner, const std::function<void()>& handler) {
    // Handlers run one at a time, each to its end. While a drawing shows its
    // progress, a screen reader's "press" may still come in: it is dropped.
    static bool running = false;
    if (running)
        return;
    std::optional<std::string> failure;
    {
        running = true;
        const auto ended = qScopeGuard([] { running = false; });
        try {
            handler();
        } catch (const sim::RuntimeError& error) {
            failure = sim::errorMessage(error);
        } catch (const std::bad_alloc&) {
            // E.g. the memory for a huge canvas.
            failure = "Not enough memory: the command stopped.";
        } catch (const std::exception& error) {
            // A fault of the program itself; like a run-time error it ends
            // only the command.
            failure = std::string("Internal error: ") + error.what() + "\nThe command stopped.";
        } catch (...) {
            failure = "Internal error\nThe command stopped.";
        }
    }
    if (failure)
        report(owner, *failure);
}

} // namespace vorlane::shell
