// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/maths/m1.h"

#include "exact.h"

#include <QTest>

using namespace vorlane::sim;

class TestAngles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m1::setconstants(); }

    void constantsHoldTheirStoredValues() {
        QCOMPARE_EXACT(static_cast<double>(m1::pi), 3.1415927410125732);
        QCOMPARE_EXACT(static_cast<double>(m1::torad), 0.01745329238474369);
        QCOMPARE_EXACT(static_cast<double>(m1::todeg), 57.2957763671875);
        // Built from the single pi: a full turn falls a little short of 2 pi,
        // and a right angle a little short of 90 degrees.
        QCOMPARE_EXACT(static_cast<double>(m1::torad) * 360.0, 6.283185258507729);
        QVERIFY(static_cast<double>(m1::torad) * 360.0 < 2.0 * std::numbers::pi);
        QVERIFY(static_cast<double>(m1::todeg) * std::numbers::pi / 2.0 < 90.0);
        QVERIFY(static_cast<double>(m1::todeg) * std::numbers::pi / 2.0 > 89.99999);
    }

    void setconstantsAlwaysSetsTheSameValues() {
        m1::pi = m1::torad = m1::todeg = 1.0f;
        m1::setconstants();
        QCOMPARE_EXACT(static_cast<double>(m1::torad), 0.01745329238474369);
        QCOMPARE_EXACT(static_cast<double>(m1::todeg), 57.2957763671875);
    }

    void polarAngle_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("angle");
        QTest::newRow("origin") << 0.0 << 0.0 << 0.0;
        QTest::newRow("positive x axis") << 1.0 << 0.0 << 0.0;
        QTest::newRow("negative x axis: the single pi") << -1.0 << 0.0 << 3.1415927410125732;
        QTest::newRow("first diagonal") << 1.0 << 1.0 << 0.7853981633974483;
        QTest::newRow("third quadrant") << -1.0 << -1.0 << 3.9269909044100215;
        QTest::newRow("fourth quadrant stays negative") << 1.0 << -1.0 << -0.7853981633974483;
        QTest::newRow("positive y axis") << 0.0 << 2.0 << 1.5707963262948965;
        QTest::newRow("negative y axis") << 0.0 << -2.0 << -1.5707963262948965;
    }
    void polarAngle() {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, angle);
        QCOMPARE_EXACT(m1::polarangle(x, y), angle);
    }
};

QTEST_APPLESS_MAIN(TestAngles)
#include "test_angles.moc"
