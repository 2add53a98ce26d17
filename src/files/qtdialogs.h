// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs.h"

class QWidget;

namespace vorlane::files {

// The program's dialogs: QFileDialog and QMessageBox, owned by one window
// (the canvas), so that they stay above it.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner);

    std::optional<QString> chooseFile(const FileRequest& request) override;
    void inform(const QString& caption, const QString& text) override;
    bool confirm(const QString& caption, const QString& question) override;
    void reportError(const QString& caption, const QString& text) override;

private:
    QWidget* owner_;
};

} // namespace vorlane::files
