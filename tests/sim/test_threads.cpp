// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing on several threads against the drawing one by one through the
// abstract canvas: the same pixels, canvas state, stream position and error,
// whatever the values, the canvas size and the position in the stream.

#include "sim/command/rings.h"
#include "sim/pixels/buffercanvas.h"
#include "sim/rules/errors.h"

#include <QTest>

#include <algorithm>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vorlane::sim;

Q_DECLARE_METATYPE(vorlane::sim::RingFields)
Q_DECLARE_METATYPE(std::optional<vorlane::sim::ErrorKind>)

namespace {

// Hands every operation to a raster canvas, but is none itself: the drawing
// takes its one-by-one path, as the drawing rules name the operations.
class ForwardingCanvas final : public Canvas {
public:
    explicit ForwardingCanvas(BufferCanvas& to) : to_(to) {}
    void setHeight(float twips) override { to_.setHeight(twips); }
    void setWidth(float twips) override { to_.setWidth(twips); }
    float height() const override { return to_.height(); }
    float width() const override { return to_.width(); }
    void setTop(float twips) override { to_.setTop(twips); }
    void setLeft(float twips) override { to_.setLeft(twips); }
    void scale(float x1, float y1, float x2, float y2) override { to_.scale(x1, y1, x2, y2); }
    void cls() override { to_.cls(); }
    void setBackColor(Colour colour) override { to_.setBackColor(colour); }
    void setForeColor(Colour colour) override { to_.setForeColor(colour); }
    void setDrawWidth(std::int16_t pixels) override { to_.setDrawWidth(pixels); }
    void line(float x1, float y1, float x2, float y2) override { to_.line(x1, y1, x2, y2); }

private:
    BufferCanvas& to_;
};

// What a stream throws when it cannot give a number.
struct StreamBroke {};

// The program's stream, but at one place a number far beyond [0, 1), with
// which a scratch's segment count overflows before the scratch is drawn, or
// no number at all: the stream throws there.
class StreamWithABadNumber final : public RandomSource {
public:
    StreamWithABadNumber(std::int64_t at, bool breaks) : at_(at), breaks_(breaks) {}
    float next() override {
        if (drawn_++ != at_)
            return stream_.next();
        if (breaks_)
            throw StreamBroke{};
        stream_.next();
        return 1e30f;
    }
    std::unique_ptr<RandomSource> clone() const override {
        return std::make_unique<StreamWithABadNumber>(*this);
    }

private:
    Mt19937Source stream_;
    std::int64_t at_;
    bool breaks_;
    std::int64_t drawn_ = 0;
};

// What a drawing leaves.
struct Outcome {
    std::optional<ErrorKind> error;
    bool streamBroke = false;
    std::vector<std::uint32_t> pixels;
    Colour foreColor, backColor;
    std::int16_t drawWidth;
    std::vector<float> nextNumbers; // where the stream stands
};

Outcome draw(const RingFields& fields, int width, int height, RandomSource& random,
             std::optional<int> threads) {
    const WindowSize main = mainWindowFor(width, height);
    BufferCanvas canvas(1, 1);
    ForwardingCanvas oneByOne(canvas);
    Outcome outcome;
    try {
        if (threads)
            cmdhex_Click(fields, main, canvas, random, DrawSettings{*threads, {}});
        else
            cmdhex_Click(fields, main, oneByOne, random);
    } catch (const RuntimeError& e) {
        outcome.error = e.kind();
    } catch (const StreamBroke&) {
        outcome.streamBroke = true;
    }
    outcome.pixels = canvas.pixels();
    outcome.foreColor = canvas.foreColor();
    outcome.backColor = canvas.backColor();
    outcome.drawWidth = canvas.drawWidth();
    for (int i = 0; i < 3; ++i)
        outcome.nextNumbers.push_back(random.next());
    return outcome;
}

} // namespace

class TestThreads : public QObject {
    Q_OBJECT
private slots:
    void everyThreadCountDrawsTheSame_data() {
        QTest::addColumn<RingFields>("fields");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("skipped");   // numbers drawn before the drawing
        QTest::addColumn<int>("badNumber"); // its place in the stream, or -1
        QTest::addColumn<bool>("breaks");   // the stream throws there
        QTest::addColumn<std::optional<ErrorKind>>("error");
        // clang-format off
        const struct {
            const char* name;
            const char* values; // "field=text ..." over the panel's defaults
            int width, height, skipped;
            std::optional<ErrorKind> error;
            int badNumber = -1;
            bool breaks = false;
        } rows[] = {
            {"default",                       "",                                              787, 567, 0, {}},
            {"default, stream moved on",      "",                                              400, 300, 3, {}},
            {"wide pen, many",                "txtdrawwidth=3 txtlines=3000",                  640, 480, 0, {}},
            {"pen 2, tiny canvas",            "txtdrawwidth=2 txtlines=300",                   5,   3,   1, {}},
            {"many batches",                  "txtlines=12000",                                320, 200, 0, {}},
            {"scratches without segments",    "txtsegmin=-8 txtsegmax=4 txtlines=9000",        300, 301, 0, {}},
            {"scratches longer than a batch", "txtsegmin=32767 txtsegmax=32767 txtseglength=0.0001 txtlines=3", 200, 100, 0, {}},
            // Failures deep in the drawing or at its first segment, before and
            // after the segment's colour is set.
            {"negative blended grey",         "txtscratchcol=-1 txtanglim=90.1 txtlines=5000", 787, 567, 0, ErrorKind::InvalidArgument},
            {"negative grey, first segment",  "txtscratchcol=-1 txtanglim=0",                  100, 80,  2, ErrorKind::InvalidArgument},
            {"coordinate beyond single",      "txtseglength=3.45e36 txtdrawwidth=2 txtlines=5000", 500, 400, 0, ErrorKind::Overflow},
            {"coordinate beyond single, 2nd", "txtseglength=3.4e38 txtanglim=90",             300, 200, 1, ErrorKind::Overflow},
            {"beyond single in many at once", "txtseglength=3.45e36 txtsegmin=60 txtsegmax=130", 300, 200, 3, ErrorKind::Overflow},
            {"255 - S beyond 16 bits",        "txtscratchcol=-32513 txtanglim=90",             120, 90,  0, ErrorKind::Overflow},
            {"segment count beyond 16 bits",  "txtlines=5000",                                 400, 300, 1, ErrorKind::Overflow, 4 * 3001 + 1},
            // The stream throws: at its first number, at a scratch's direction
            // deep in the drawing, at the last number of the last scratch.
            {"stream breaks at once",         "",                                              400, 300, 0, {}, 0, true},
            {"stream breaks mid-drawing",     "txtlines=5000",                                 400, 300, 1, {}, 4 * 3001 + 2, true},
            {"stream breaks at the end",      "txtlines=700 txtdrawwidth=2",                   400, 300, 2, {}, 4 * 700 + 1, true},
        };
        // clang-format on
        for (const auto& row : rows) {
            RingFields fields;
            for (const QString& value : QString(row.values).split(' ', Qt::SkipEmptyParts)) {
                const QStringList nameAndText = value.split('=');
                fields.*ringField(nameAndText[0].toStdString()).text = nameAndText[1].toStdString();
            }
            QTest::newRow(row.name) << fields << row.width << row.height << row.skipped
                                    << row.badNumber << row.breaks << row.error;
        }
    }
    void everyThreadCountDrawsTheSame() {
        QFETCH(RingFields, fields);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, skipped);
        QFETCH(int, badNumber);
        QFETCH(bool, breaks);
        QFETCH(std::optional<ErrorKind>, error);
        const auto outcome = [&](std::optional<int> threads) {
            StreamWithABadNumber random(badNumber, breaks);
            for (int i = 0; i < skipped; ++i)
                random.next();
            return draw(fields, width, height, random, threads);
        };
        const Outcome oneByOne = outcome(std::nullopt);
        QCOMPARE(oneByOne.error, error);
        QCOMPARE(oneByOne.streamBroke, breaks);
        // Threads that spin at the barrier, and more than the processors, which do not.
        for (int threads : {1, 2, 3, everyProcessor() + 1}) {
            const Outcome batched = outcome(threads);
            QCOMPARE(batched.error, oneByOne.error);
            QCOMPARE(batched.streamBroke, oneByOne.streamBroke);
            QVERIFY2(batched.pixels == oneByOne.pixels, qPrintable(QString::number(threads)));
            QCOMPARE(batched.foreColor, oneByOne.foreColor);
            QCOMPARE(batched.backColor, oneByOne.backColor);
            QCOMPARE(batched.drawWidth, oneByOne.drawWidth);
            QCOMPARE(batched.nextNumbers, oneByOne.nextNumbers);
        }
    }

    // Reports come on the calling thread, grow, and end with all done; a
    // report that throws ends the drawing with its exception.
    void progressIsReportedOnTheCallingThread() {
        for (std::optional<int> threads :
             {std::optional<int>(), std::optional(1), std::optional(2)}) {
            RingFields fields;
            fields.txtlines = "20000";
            BufferCanvas canvas(1, 1);
            ForwardingCanvas oneByOne(canvas);
            Canvas& target = threads ? static_cast<Canvas&>(canvas) : oneByOne;
            std::vector<std::int64_t> done;
            bool elsewhere = false;
            DrawSettings settings{threads.value_or(1), [&](std::int64_t d, std::int64_t total) {
                                      elsewhere |= std::this_thread::get_id() != caller;
                                      QCOMPARE(total, std::int64_t{20000});
                                      done.push_back(d);
                                  }};
            Mt19937Source random;
            cmdhex_Click(fields, {9000.0f, 12000.0f}, target, random, settings);
            QVERIFY(!elsewhere);
            QVERIFY(done.size() > 1);
            QVERIFY(std::is_sorted(done.begin(), done.end()));
            QCOMPARE(done.back(), std::int64_t{20000});

            settings.progress = [](std::int64_t, std::int64_t) {
                throw std::runtime_error("stop");
            };
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, cmdhex_Click(fields, {9000.0f, 12000.0f},
                                                                      target, random, settings));
        }
    }

    // Threads that outnumber the processors sleep at the barrier at once: a
    // spinning one would keep a processor from the thread that it waits for.
    void threadsThatOutnumberTheProcessorsDoNotSpin() {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
        QSKIP("A sanitizer makes every synchronisation and start of many threads cost processor "
              "time; the release build measures this");
#endif
        RingFields fields;
        fields.txtlines = "30000";
        const auto processorSeconds = [&](int threads) {
            Mt19937Source random;
            BufferCanvas canvas(800, 500);
            const std::clock_t start = std::clock();
            cmdhex_Click(fields, {7500.0f, 12000.0f}, canvas, random, DrawSettings{threads, {}});
            return double(std::clock() - start) / CLOCKS_PER_SEC;
        };
        const double alone = processorSeconds(1);
        const double crowded = processorSeconds(8 * everyProcessor());
        QVERIFY2(crowded < 3 * alone + 0.1,
                 qPrintable(QStringLiteral("%1 s on %2 threads, %3 s on one")
                                .arg(crowded)
                                .arg(8 * everyProcessor())
                                .arg(alone)));
    }

private:
    const std::thread::id caller = std::this_thread::get_id();
};

QTEST_APPLESS_MAIN(TestThreads)
#include "test_threads.moc"
