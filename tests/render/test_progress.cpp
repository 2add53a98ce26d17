// The renderer's progress line: silent for short drawings, then the share of
// all pictures done and the rate, and a line end only after a shown line.

#include "render/progress.h"

#include <QtTest>

#include <cstdio>

using namespace vorlane::render;
using namespace std::chrono_literals;

namespace {

// The meter's output, read back.
class Captured {
public:
    Captured() : file_(std::tmpfile()) {}
    ~Captured() { std::fclose(file_); }
    std::FILE* file() { return file_; }
    QByteArray text() {
        std::fflush(file_);
        std::rewind(file_);
        QByteArray all;
        for (int c; (c = std::fgetc(file_)) != EOF;)
            all += static_cast<char>(c);
        return all;
    }

private:
    std::FILE* file_;
};

} // namespace

class TestProgress : public QObject {
    Q_OBJECT

private slots:
    void shownAfterASecond_data() {
        QTest::addColumn<int>("milliseconds"); // since the start
        QTest::addColumn<int>("picture");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<qint64>("done");
        QTest::addColumn<QByteArray>("shown"); // empty: nothing at all

        QTest::newRow("short drawing") << 900 << 1 << 1 << qint64{2000} << QByteArray();
        QTest::newRow("one picture, half done")
            << 2000 << 1 << 1 << qint64{2000}
            << QByteArray("\r\33[Kpicture 1 of 1: 50% done, 1000 scratches/s\n");
        // Of 4 pictures of 4000 scratches, 2 and a quarter are done.
        QTest::newRow("third of four")
            << 3000 << 3 << 4 << qint64{1000}
            << QByteArray("\r\33[Kpicture 3 of 4: 56% done, 3000 scratches/s\n");
    }
    void shownAfterASecond() {
        QFETCH(int, milliseconds);
        QFETCH(int, picture);
        QFETCH(int, pictures);
        QFETCH(qint64, done);
        QFETCH(QByteArray, shown);
        Captured out;
        const auto start = std::chrono::steady_clock::time_point{};
        auto now = start;
        ProgressMeter meter(out.file(), [&now] { return now; });
        now = start + std::chrono::milliseconds(milliseconds);
        meter.update(picture, pictures, done, 4000);
        meter.finish();
        QCOMPARE(out.text(), shown);
    }

    // Between two refreshes the line stays, except for a picture's end.
    void refreshedAFewTimesASecond() {
        Captured out;
        const auto start = std::chrono::steady_clock::time_point{};
        auto now = start + 2s;
        ProgressMeter meter(out.file(), [&now] { return now; });
        now += 2s;
        meter.update(1, 1, 1000, 4000);
        now += 100ms;
        meter.update(1, 1, 2000, 4000);
        meter.update(1, 1, 4000, 4000);
        QCOMPARE(out.text().count("\r"), 2);
        QVERIFY(out.text().endsWith("100% done, 1905 scratches/s"));
    }
};

QTEST_GUILESS_MAIN(TestProgress)
#include "test_progress.moc"
