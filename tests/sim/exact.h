// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTest>

// QCOMPARE treats floating-point values as equal within a tolerance; the
// drawing rules fix values to the last bit, so these compare exactly.
#define QCOMPARE_EXACT(actual, expected)                                                      \
    QVERIFY2(static_cast<double>(actual) == static_cast<double>(expected),                  \
             qPrintable(QStringLiteral("%1 is not exactly %2")                              \
                            .arg(static_cast<double>(actual), 0, 'g', 17)                     \
                            .arg(static_cast<double>(expected), 0, 'g', 17)))
