// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tests whose CTest command starts the servers they need (an X server, a
// session bus, a Wayland compositor) when CMake found their tools, and names
// in an environment variable those it did not find.

#include <QTest>

namespace vorlane::test {

// Why the test cannot run, or nothing when it can.
inline QByteArray whyServersAreMissing(const char* variable, const char* servers) {
    if (!qEnvironmentVariableIsSet(variable))
        return QByteArray("run it through ctest, whose command starts ") + servers;
    const QByteArray missing = qgetenv(variable);
    return missing.isEmpty() ? QByteArray()
                             : "missing " + missing +
                                   "; scripts/install-deps installs them, then configure again";
}

} // namespace vorlane::test

// Skips the test function without the servers, except under CI (CI set),
// where the test must run and fails.
#define VORLANE_REQUIRE_SERVERS(variable, servers)                                                 \
    do {                                                                                           \
        const QByteArray reason = vorlane::test::whyServersAreMissing(variable, servers);          \
        if (!reason.isEmpty()) {                                                                   \
            if (qEnvironmentVariableIsSet("CI"))                                                   \
                QFAIL(reason.constData());                                                         \
            QSKIP(reason.constData());                                                             \
        }                                                                                          \
    } while (false)
