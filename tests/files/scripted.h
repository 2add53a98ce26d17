// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test doubles for the File commands: a scripted dialog seam, the panel's
// fields as a map, a scratch folder that is the current directory, and a
// file reader.

#include "files/dialogs.h"
#include "files/parameterfields.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

namespace vorlane::files {

struct Message {
    QString caption;
    QString text;
};

class ScriptedDialogs final : public Dialogs {
public:
    QList<std::optional<QString>> paths; // chooseFile's answers in turn; nothing = cancel
    QList<bool> answers;                 // confirm's answers in turn
    QList<FileRequest> requests;
    QList<Message> informed, questions, errors;

    std::optional<QString> chooseFile(const FileRequest& request) override {
        requests << request;
        if (paths.isEmpty()) {
            QTest::qFail("file dialog not expected", __FILE__, __LINE__);
            return std::nullopt;
        }
        return paths.takeFirst();
    }
    void inform(const QString& caption, const QString& text) override { informed << Message{caption, text}; }
    bool confirm(const QString& caption, const QString& question) override {
        questions << Message{caption, question};
        return !answers.isEmpty() && answers.takeFirst();
    }
    void reportError(const QString& caption, const QString& text) override { errors << Message{caption, text}; }
};

class FieldMap final : public ParameterFields {
public:
    QHash<QString, QString> texts;
    QString fieldText(const QString& name) const override { return texts.value(name); }
    void setFieldText(const QString& name, const QString& text) override { texts[name] = text; }
};

inline QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fresh folder for one test; the current directory is restored at its end.
class Workspace {
public:
    Workspace() { QDir::setCurrent(dir_.path()); }
    ~Workspace() { QDir::setCurrent(start_); }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString folder() const { return QDir(dir_.path()).canonicalPath(); }

private:
    QString start_ = QDir::currentPath();
    QTemporaryDir dir_;
};

} // namespace vorlane::files
