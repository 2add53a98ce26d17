// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's progress line: silent for short drawings, then the share of
// all pictures done and the rate, at most a few times a second and at the
// last picture's end, and a line end only after a shown line.

#include "render/progress.h"

#include <QTest>

using namespace vorlane::render;
using namespace std::chrono_literals;

class TestProgress : public QObject {
    Q_OBJECT

private slots:
    void shown_data() {
        QTest::addColumn<QList<int>>("updates"); // {milliseconds, picture, done} in turn
        QTest::addColumn<QString>("shown");      // with \r for the redraws

        // Every picture has 4000 scratches; there are 4 of them.
        QTest::newRow("short drawing") << QList<int>{900, 1, 2000, 950, 1, 4000} << QString();
        QTest::newRow("first, half done")
            << QList<int>{2000, 1, 8000} << "\rpicture 1 of 4: 50% done, 4000 scratches/s\n";
        // 2 pictures and a quarter of 4 are done.
        QTest::newRow("third") << QList<int>{3000, 3, 1000}
                               << "\rpicture 3 of 4: 56% done, 3000 scratches/s\n";
        // Only the last picture's end is shown however soon it comes.
        QTest::newRow("too soon again, an earlier picture's end")
            << QList<int>{2000, 1, 2400, 2100, 1, 4000, 2110, 2, 4000, 2120, 3, 4000}
            << "\rpicture 1 of 4: 15% done, 1200 scratches/s\n";
        QTest::newRow("too soon again, but the last picture's end")
            << QList<int>{2000, 4, 2400, 2100, 4, 4000}
            << "\rpicture 4 of 4: 90% done, 7200 scratches/s"
               "\rpicture 4 of 4: 100% done, 7619 scratches/s\n";
    }
    void shown() {
        QFETCH(QList<int>, updates);
        QFETCH(QString, shown);
        std::string text;
        auto now = std::chrono::steady_clock::time_point{} + 1h;
        const auto start = now;
        ProgressMeter meter([&text](const std::string& part) { text += part; },
                            [&now] { return now; });
        for (qsizetype i = 0; i + 2 < updates.size(); i += 3) {
            now = start + std::chrono::milliseconds(updates[i]);
            meter.update(updates[i + 1], 4, updates[i + 2], 4000);
        }
        meter.finish();
        QCOMPARE(QString::fromStdString(text).remove(QStringLiteral("\33[K")), shown);
    }
};

QTEST_GUILESS_MAIN(TestProgress)
#include "test_progress.moc"
