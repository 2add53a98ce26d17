#pragma once

// Running the built vorlane-render as a user would.

#include <QProcess>
#include <QTest>

namespace vorlane::test {

struct Rendered {
    int status = -1;
    QString out;
    QString err;
};

inline Rendered runRenderer(const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(VORLANE_RENDER), arguments);
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        QTest::qFail("vorlane-render did not end normally", __FILE__, __LINE__);
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace vorlane::test
