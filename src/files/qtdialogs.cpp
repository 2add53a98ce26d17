// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdialogs.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStringList>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace vorlane::files {

namespace {

// Widens the dialog until its list of files shows every column whole: Qt
// sizes the Size, Type and Date columns for sample texts shorter than many
// real ones, and the dialog for its own defaults rather than its columns.
class WholeColumns final : public QObject {
public:
    explicit WholeColumns(QFileDialog& dialog) : QObject(&dialog), dialog_(dialog) {
        dialog.installEventFilter(this);
        // The files come in after the dialog is shown; the view lays them
        // out later still.
        if (auto* files = dialog.findChild<QFileSystemModel*>())
            connect(files, &QFileSystemModel::directoryLoaded, this,
                    [this] { QTimer::singleShot(0, this, &WholeColumns::fit); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            fit();
        return false;
    }

private:
    void fit() {
        auto* list = dialog_.findChild<QTreeView*>(QStringLiteral("treeView"));
        if (!list)
            return;
        QHeaderView& header = *list->header();
        for (int column = 1; column < header.count(); ++column)
            header.setSectionResizeMode(column, QHeaderView::ResizeToContents);
        // Room for a scroll bar that a longer list brings.
        int missing = header.length() + list->verticalScrollBar()->sizeHint().width() -
                      list->viewport()->width();
        if (missing <= 0)
            return;
        const int wider =
            std::min(missing, dialog_.screen()->availableGeometry().width() - dialog_.width());
        if (wider > 0) {
            dialog_.resize(dialog_.width() + wider, dialog_.height());
            missing -= wider;
        }
        // Where the screen is too narrow, long names are cut rather than
        // the other columns.
        if (missing > 0)
            header.resizeSection(
                0, std::max(header.sectionSize(0) - missing, header.sectionSizeHint(0)));
    }

    QFileDialog& dialog_;
};

// Asks before it lets the user pick an existing file only where saving would
// replace it: a name that the save refuses anyway goes to its refusal at
// once, without a question whose "yes" could not be kept.
class FileDialog final : public QFileDialog {
public:
    FileDialog(QWidget* owner, const FileRequest& request)
        : QFileDialog(owner, request.title), refuses_(request.refuses) {}

    void accept() override {
        const QStringList files = selectedFiles();
        const QFileInfo chosen(files.value(0));
        // A folder's name opens it, as ever.
        if (refuses_ && chosen.exists() && !chosen.isDir() && refuses_(files.first()))
            QDialog::accept();
        else
            QFileDialog::accept();
    }

private:
    std::function<bool(const QString&)> refuses_;
};

// File names in a message are the user's, never markup: "<b>" shows as typed.
int shown(QMessageBox::Icon icon, const QString& caption, const QString& text,
          QMessageBox::StandardButtons buttons, QWidget* owner) {
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    if (buttons & QMessageBox::No)
        box.setDefaultButton(QMessageBox::No);
    return box.exec();
}

} // namespace

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {
    // Qt's file dialog keeps its history, folders and columns in the user's
    // settings of all Qt programs, reading them when it opens and writing
    // them when it closes; Vorlane keeps nothing between runs, so those
    // settings go to a folder that cannot exist.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
}

std::optional<QString> QtDialogs::chooseFile(const FileRequest& request) {
    FileDialog dialog(owner_, request);
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

    new WholeColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void QtDialogs::inform(const QString& caption, const QString& text) {
    shown(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner_);
}

bool QtDialogs::confirm(const QString& caption, const QString& question) {
    // Dressed like the file dialog's own replace question, which it follows.
    return shown(QMessageBox::Warning, caption, question, QMessageBox::Yes | QMessageBox::No,
                 owner_) == QMessageBox::Yes;
}

void QtDialogs::reportError(const QString& caption, const QString& text) {
    shown(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner_);
}

} // namespace vorlane::files
