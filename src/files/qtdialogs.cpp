// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace vorlane::files {

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {}

std::optional<QString> QtDialogs::chooseFile(const FileRequest& request) {
    QFileDialog dialog(owner_, request.title);
    const bool save = request.kind == FileRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The program makes the folder of the last chosen file the current one;
    // left alone, Qt would open in a folder of its own choosing.
    dialog.setDirectory(QDir::currentPath());
    // Even the open dialog takes a name of a file that does not exist yet.
    dialog.setFileMode(QFileDialog::AnyFile);

    // Qt reads a filter's patterns from its last parentheses; hiding those
    // details leaves the user with the caller's caption exactly.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter& filter : request.filters)
        nameFilters << QStringLiteral("%1 (%2)").arg(filter.caption, filter.pattern);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty())
        dialog.selectNameFilter(nameFilters.first());

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void QtDialogs::inform(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner_);
    box.exec();
}

bool QtDialogs::confirm(const QString& caption, const QString& question) {
    // Dressed like the file dialog's own replace question, which it follows.
    QMessageBox box(QMessageBox::Warning, caption, question, QMessageBox::Yes | QMessageBox::No,
                    owner_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::reportError(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner_);
    box.exec();
}

} // namespace vorlane::files
