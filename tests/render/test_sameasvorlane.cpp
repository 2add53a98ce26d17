// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's picture is the one that Vorlane itself shows on the same
// press of "draw rings" with the same values and canvas size in pixels: the
// bitmap that Vorlane saves is the renderer's file. Run also at device-pixel
// ratios 2 and 1.5, where the canvas has twice or one and a half times as
// many pixels each way as its window has device-independent ones.

#include "../files/scripted.h"
#include "files/parameterfile.h"
#include "panel/controlpanel.h"
#include "renderer.h"
#include "screen/twips.h"
#include "shell/canvaswindow.h"
#include "shell/mainwindow.h"
#include "shell/program.h"

#include <QAbstractButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlane;

class TestSameAsVorlane : public QObject {
    Q_OBJECT

private slots:
    void samePicture_data() {
        QTest::addColumn<QSize>("canvas"); // device-independent pixels
        QTest::addColumn<int>("press");
        QTest::addColumn<QStringList>("values"); // name=text for the panel's fields

        QTest::newRow("first, defaults") << QSize(400, 460) << 1 << QStringList();
        QTest::newRow("third, wide pen on a grey sky")
            << QSize(333, 517) << 3
            << QStringList{"txtdrawwidth=3", "txtsky=40", "txtlines=300", "txtanglim=25.5"};
        QTest::newRow("second, tall, long segments")
            << QSize(211, 601) << 2
            << QStringList{"txtseglength=.07", "txtsegmin=1", "txtsegmax=30", "txtscratchcol=120"};
        // Long enough for Vorlane to show it several times as it grows.
        QTest::newRow("first, shown as it grows")
            << QSize(400, 460) << 1 << QStringList{"txtlines=150000"};
    }
    void samePicture() {
        QFETCH(QSize, canvas);
        QFETCH(int, press);
        QFETCH(QStringList, values);
        if (screen::twipsPerPixel() != 15.0)
            QSKIP("the renderer's canvas is 96 dpi, this screen is not");

        QTemporaryDir folder;
        auto* dialogs = new files::ScriptedDialogs;
        dialogs->paths << folder.filePath(QStringLiteral("shown.bmp"));
        shell::Program program([dialogs](QWidget*) { return std::unique_ptr<files::Dialogs>(dialogs); });
        shell::MainWindow& main = program.forms().main();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        // main is at least about 470 pixels high. "draw rings" makes the canvas 200 twips (13 1/3
        // pixels) less wide and 500 twips (33 1/3 pixels) less high than main's outer size.
        const QSize frame = main.frameGeometry().size() - main.size();
        main.resize(canvas + QSize(13, 33) - frame);
        QTRY_COMPARE(main.frameGeometry().size(), canvas + QSize(13, 33));

        panel::ControlPanel& fc1 = program.forms().fc1();
        for (const QString& value : values)
            fc1.setFieldText(value.section(u'=', 0, 0), value.section(u'=', 1));
        for (int i = 0; i < press; ++i)
            fc1.button(QStringLiteral("cmdhex")).click();
        const qreal ratio = main.devicePixelRatio();
        // The device pixels that the window has at its place in main.
        const QWidget& view = *program.forms().f1().hWnd();
        const QPointF place = view.mapTo(&main, QPoint());
        const QSize pixels = program.forms().f1().Image().size();
        QCOMPARE(pixels, QRectF(place * ratio, QSizeF(canvas) * ratio).toRect().size());
        program.savim_menu_Click();
        QCOMPARE(dialogs->errors.size(), 0);

        QFile params(folder.filePath(QStringLiteral("values.pel")));
        QVERIFY(params.open(QIODevice::WriteOnly));
        params.write(files::parameterfile::encode(fc1));
        params.close();
        const auto run = test::runRenderer(
            {"--params", "values.pel", "--size",
             QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height()), "--picture",
             QString::number(press), "--threads", "2", "-o", "picture.bmp"},
            folder.path());
        QCOMPARE(run.status, 0);
        const QByteArray rendered = files::contentsOf(folder.filePath(QStringLiteral("picture.bmp")));
        QVERIFY(!rendered.isEmpty());
        QVERIFY(files::contentsOf(folder.filePath(QStringLiteral("shown.bmp"))) == rendered);
    }
};

QTEST_MAIN(TestSameAsVorlane)
#include "test_sameasvorlane.moc"
