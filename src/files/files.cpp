// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "files.h"

#include "atomicfile.h"
#include "imagefile.h"
#include "parameterfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace vorlane::files {

namespace {

// The File commands differ only in what they pass to apidialogbox.
struct Command {
    const char* mode;
    const char* title;
    const char* filterCaption;
    const char* filterPattern;
    const char* defaultExtension;

    QString titleText() const { return QLatin1String(title); }
};

// clang-format off
constexpr Command kSaveImage{"save", "Save Vorlane simulation", "Tavik picture(*.bmp)", "*.bmp", ".bmp"};
constexpr Command kSaveParameters{"save", "Select a file name for saving data", "Pellam file(*.pel)", "*.pel", ".pel"};
constexpr Command kRetrieveParameters{"load", "Open a file", "Pellam files(*.pel)", "*.pel", ".pel"};
// clang-format on

// The dialog handed over the name in a buffer filled up with NULs behind it,
// so trimming spaces from both ends only ever removed leading ones; the name
// then ends before its first character below code 31.
QString cleanedName(const QString& chosen) {
    qsizetype start = 0;
    while (start < chosen.size() && chosen[start] == u' ')
        ++start;
    qsizetype end = start;
    while (end < chosen.size() && chosen[end].unicode() >= 31)
        ++end;
    return chosen.sliced(start, end - start);
}

// The default-extension rule: a name keeps its ending when it ends in the
// default extension exactly (case counts) or in any three-letter extension;
// otherwise the default extension is appended.
QString withDefaultExtension(const QString& name, const QString& extension) {
    const qsizetype n = name.size();
    if (name.right(4) == extension)
        return name;
    if (n > 3 && name[n - 4] == u'.')
        return name;
    return name + extension;
}

// Why nothing was read: neither the picked name nor the name with the
// default extension is that of a file.
QString missingFiles(const QString& picked, const QString& withExtension) {
    if (picked == withExtension)
        return QStringLiteral("the file does not exist");
    return QStringLiteral("the file does not exist, nor does \"%1\"").arg(withExtension);
}

// The name in the folder that Qt decodes to part but whose bytes differ:
// bytes that are not UTF-8 reach the program as U+FFFD.
std::optional<QByteArray> otherBytesFor(const QByteArray& folder, const QString& part) {
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::opendir(folder.constData()), ::closedir);
    const QByteArray bytes = QFile::encodeName(part);
    for (const dirent* entry; entries && (entry = ::readdir(entries.get()));) {
        if (bytes != entry->d_name && QFile::decodeName(entry->d_name) == part)
            return folder + entry->d_name;
    }
    return std::nullopt;
}

// The first name on the chosen path that the dialog could not give as it is
// on disk, and that would name another file; only names with U+FFFD can be.
std::optional<QByteArray> namePassedOnWrongly(const QString& path) {
    QByteArray folder = "/";
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part.contains(QChar::ReplacementCharacter)) {
            if (std::optional<QByteArray> other = otherBytesFor(folder, part))
                return other;
        }
        folder += QFile::encodeName(part) + '/';
    }
    return std::nullopt;
}

// Makes the chosen file's folder the current directory; why it cannot be
// used, if it cannot.
std::optional<QString> enterFolderOf(const QString& path) {
    if (const std::optional<QByteArray> name = namePassedOnWrongly(path))
        return QStringLiteral("The name \"%1\" is not UTF-8 text and cannot be used; rename it")
            .arg(shownName(*name));
    const QString folder = QFileInfo(path).absolutePath();
    if (::chdir(QFile::encodeName(folder).constData()) == 0)
        return std::nullopt;
    if (errno == ENOENT)
        return QStringLiteral("The folder \"%1\" does not exist").arg(folder);
    return QStringLiteral("The folder \"%1\" cannot be entered: %2")
        .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
}

// True when a file was chosen.
bool chooseFileFor(Files& files, const Command& command) {
    files.cancelflag = 0;
    files.apidialogbox(QLatin1String(command.mode), command.titleText(),
                       QLatin1String(command.filterCaption), QLatin1String(command.filterPattern),
                       QLatin1String(command.defaultExtension));
    return files.cancelflag == 0;
}

} // namespace

Files::Files(Dialogs& dialogs) : dialogs_(dialogs) {}

void Files::apidialogbox(const QString& mode, const QString& title, const QString& filterCaption,
                         const QString& filterPattern, const QString& defaultExtension) {
    const QList<FileFilter> filters{{filterCaption, filterPattern},
                                    {QStringLiteral("All files"), QStringLiteral("*.*")}};
    std::optional<QString> path;
    const auto refuses = [](const QString& chosen) {
        return whyNotSaved(QFile::encodeName(chosen)).has_value();
    };
    if (mode == QLatin1String("save"))
        path = dialogs_.chooseFile({FileRequest::Kind::Save, title, filters, refuses});
    if (mode == QLatin1String("load"))
        path = dialogs_.chooseFile({FileRequest::Kind::Open, title, filters, {}});

    // dlgfile is used in the current directory, so a folder that cannot be
    // entered counts as no file chosen rather than sending it elsewhere.
    const std::optional<QString> problem =
        path ? enterFolderOf(*path) : QStringLiteral("No file was selected");
    if (problem) {
        dialogs_.inform(title, *problem);
        cancelflag = 1;
        return;
    }
    confirmedName_ = QFileInfo(*path).fileName();
    folder_ = QFileInfo(*path).absolutePath();
    dlgfile = withDefaultExtension(cleanedName(confirmedName_), defaultExtension);
}

void Files::saveChosenFile(const QString& title, const QByteArray& content) {
    // What cannot be replaced is refused before any question. The save
    // dialog asked about the name it was given; an existing file that became
    // the target only through the clean-up or the default extension has not
    // been asked about yet.
    AtomicFile file(QFile::encodeName(dlgfile));
    std::optional<QString> reason = file.open();
    if (!reason && dlgfile != confirmedName_ && QFileInfo::exists(dlgfile)) {
        const QString question =
            QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(dlgfile);
        if (!dialogs_.confirm(title, question))
            return;
    }
    if (reason || (reason = file.write(content)) || (reason = file.commit()))
        reportNotSaved(title, *reason);
}

void Files::reportNotSaved(const QString& title, const QString& reason) {
    dialogs_.reportError(
        title, QStringLiteral("Could not save \"%1\" in \"%2\": %3").arg(dlgfile, folder_, reason));
}

void Files::savimage(const QImage& image) {
    if (!chooseFileFor(*this, kSaveImage))
        return;
    // A canvas shrunk to nothing has no picture to write, and an empty file
    // would pass for a saved one.
    if (image.isNull()) {
        reportNotSaved(kSaveImage.titleText(), QStringLiteral("the picture is empty"));
        return;
    }
    // Qt writes nothing for a picture that it cannot encode (one past the
    // bitmap's 2 GiB of pixel data): no empty file either.
    const QByteArray content = imageFileContent(image, "BMP");
    if (content.isEmpty()) {
        reportNotSaved(kSaveImage.titleText(),
                       QStringLiteral("the picture cannot be written as a bitmap"));
        return;
    }
    saveChosenFile(kSaveImage.titleText(), content);
}

void Files::savparamdlg(const ParameterFields& fields) {
    if (chooseFileFor(*this, kSaveParameters))
        saveChosenFile(kSaveParameters.titleText(), parameterfile::encode(fields));
}

void Files::retparamdlg(ParameterFields& fields) {
    if (!chooseFileFor(*this, kRetrieveParameters))
        return;
    // The picked file itself; the default extension only finds a file that
    // the typed name does not.
    const QString fileName =
        QFileInfo::exists(confirmedName_) || !QFileInfo::exists(dlgfile) ? confirmedName_ : dlgfile;
    const parameterfile::Contents contents =
        QFileInfo::exists(fileName)
            ? parameterfile::read(fileName)
            : parameterfile::Contents{{}, missingFiles(confirmedName_, dlgfile)};
    if (!contents.problem.isEmpty()) {
        dialogs_.reportError(kRetrieveParameters.titleText(),
                             QStringLiteral("Could not retrieve the parameters from \"%1\": %2")
                                 .arg(fileName, contents.problem));
        return;
    }
    for (const QString& name : parameterfile::fieldNames())
        fields.setFieldText(name, contents.texts.value(name));
}

} // namespace vorlane::files
