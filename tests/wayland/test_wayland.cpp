// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Vorlane as a native Wayland client on the compositor that the test's command
// starts: the program's windows shown, "draw rings" clicked, which draws
// through the real command, and a close as the compositor asks for it, which
// ends the event loop with status 0.

#include "../gui/pixels.h"
#include "../servers.h"
#include "panel/controlpanel.h"
#include "shell/canvaswindow.h"
#include "shell/mainwindow.h"
#include "shell/program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace vorlane;

class TestWayland : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        VORLANE_REQUIRE_SERVERS("VORLANE_WAYLAND_MISSING", "weston");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    }

    void drawsAndEndsWithStatusZeroOnClose() {
        shell::Program program;
        shell::MainWindow& main = program.forms().main();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::mouseClick(&program.forms().fc1().button(QStringLiteral("cmdhex")), Qt::LeftButton);
        // The default values: 750 scratches in grey 50 on a black sky.
        const QImage drawn = program.forms().f1().Image();
        QVERIFY(test::countPixels(drawn, test::greyPixel(0)) > drawn.width() * drawn.height() / 2);
        QVERIFY(test::countPixels(drawn, test::greyPixel(50)) > 1000);
        // As the compositor asks a window to close.
        QTimer::singleShot(0, &main, [&main] { main.windowHandle()->close(); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!main.isVisible());
    }
};

QTEST_MAIN(TestWayland)
#include "test_wayland.moc"
