#include "processes.h"

#include <QDeadlineTimer>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace vorlane::e2e {

void startChild(QProcess& process, const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment) {
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(program, arguments);
    process.waitForStarted();
}

QString firstLine(QProcess& process, milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || process.state() != QProcess::Running)
            return {};
        process.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 200)));
    }
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

RunResult run(const QString& program, const QStringList& arguments,
              const QProcessEnvironment& environment, milliseconds limit) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(static_cast<int>(limit.count()))) {
        process.kill();
        process.waitForFinished();
        return {false, {}, QStringLiteral("%1 did not finish in time").arg(program)};
    }
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return {ok, QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

bool poll(const std::function<bool()>& condition, milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(25);
    }
    return true;
}

} // namespace vorlane::e2e
