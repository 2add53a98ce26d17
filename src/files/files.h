// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs.h"
#include "parameterfields.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace vorlane::files {

// The module files: the file-name dialog and the three File menu commands
// that use it. A command clears cancelflag, calls apidialogbox and goes on
// with dlgfile, in the current directory, only if cancelflag is still 0.
class Files {
public:
    explicit Files(Dialogs& dialogs);

    // The bare name chosen in the last dialog that ended with a file.
    QString dlgfile;
    // 1 when the last dialog ended without a file.
    std::int16_t cancelflag = 0;

    // mode is "save" or "load"; anything else counts as no file chosen.
    // On success the current directory is the chosen file's folder.
    void apidialogbox(const QString& mode, const QString& title, const QString& filterCaption,
                      const QString& filterPattern, const QString& defaultExtension);

    // Writes the image as an uncompressed 24-bit Windows bitmap, whatever
    // the chosen name's extension.
    void savimage(const QImage& image);
    void savparamdlg(const ParameterFields& fields);
    // Reads the picked file, or where none has that name the one with the
    // default extension (dlgfile). Changes the fields only when the whole
    // file is good; does not draw.
    void retparamdlg(ParameterFields& fields);

private:
    // Writes the content to dlgfile, asking first where the dialog did not.
    void saveChosenFile(const QString& title, const QByteArray& content);
    void reportNotSaved(const QString& title, const QString& reason);

    Dialogs& dialogs_;
    // The name that the dialog confirmed, before the clean-up and the
    // default extension made dlgfile of it.
    QString confirmedName_;
    // The folder in which it was chosen, as the dialog gave it.
    QString folder_;
};

} // namespace vorlane::files
