#pragma once

// The outside programs that the end-to-end test starts: each is a child of
// the test that dies with it, and every wait for one has a bound.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>
#include <functional>

namespace vorlane::e2e {

using std::chrono::milliseconds;

// Starts a program that runs beside the test; the kernel ends it should the
// test die without its clean-up.
void startChild(QProcess& process, const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The first line that a started program writes, without its line end; empty
// when none comes within the limit.
QString firstLine(QProcess& process, milliseconds limit);

// Runs a short command to its end and gives what it wrote; a command that
// fails or outlives the limit is a test failure, reported by the caller.
struct RunResult {
    bool ok = false;
    QString output;
    QString error;
};
RunResult run(const QString& program, const QStringList& arguments,
              const QProcessEnvironment& environment, milliseconds limit = milliseconds(10000));

// Ends a child: politely first, then by force.
void stop(QProcess& process);

// Asks again and again until the answer is yes or the limit has passed.
bool poll(const std::function<bool()>& condition, milliseconds limit = milliseconds(10000));

} // namespace vorlane::e2e
