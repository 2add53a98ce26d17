// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace vorlane::files {

// One entry of a file dialog's file-type list, e.g. "Tavik picture(*.bmp)"
// with the pattern "*.bmp".
struct FileFilter {
    QString caption;
    QString pattern;
};

struct FileRequest {
    enum class Kind { Save, Open };

    Kind kind = Kind::Save;
    QString title;
    QList<FileFilter> filters; // the first one is preselected
    // For a save: true for an existing file that saving would refuse anyway
    // (a FIFO, an immutable file), about which no replace question is asked.
    std::function<bool(const QString& path)> refuses;
};

// Every modal interaction of the File commands goes through this seam, so
// that the commands can be driven by a script in tests.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The save dialog asks before it lets the user pick an existing file; the
    // open dialog also takes the name of a file that does not exist. Gives
    // the chosen file's absolute path, or nothing when the user cancelled.
    virtual std::optional<QString> chooseFile(const FileRequest& request) = 0;

    // A message with an OK button only and no icon.
    virtual void inform(const QString& caption, const QString& text) = 0;

    // A yes/no question; true for yes.
    virtual bool confirm(const QString& caption, const QString& question) = 0;

    virtual void reportError(const QString& caption, const QString& text) = 0;
};

} // namespace vorlane::files
