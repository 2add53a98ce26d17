// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running the built vorlane-render as a user would.

#include <QProcess>
#include <QTest>

#include <functional>

namespace vorlane::test {

struct Rendered {
    int status = -1;
    QString out;
    QString err;
};

// setUp may change the process before it starts (its environment, its
// output); program runs in the renderer's place, e.g. a shell that starts it.
inline Rendered runRenderer(const QStringList& arguments, const QString& folder,
                            const std::function<void(QProcess&)>& setUp = {},
                            const QString& program = QStringLiteral(VORLANE_RENDER)) {
    QProcess process;
    process.setWorkingDirectory(folder);
    if (setUp)
        setUp(process);
    process.start(program, arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        QTest::qFail("vorlane-render did not end normally", __FILE__, __LINE__);
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace vorlane::test
