// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pixels/buffercanvas.h"
#include "sim/pixels/lines.h"
#include "sim/rules/errors.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

using namespace vorlane::sim;

namespace {

constexpr std::uint32_t kWhitePixel = 0xffffffffu;
constexpr std::uint32_t kRed = 0xffff0000u;

int countPixels(const BufferCanvas& c, std::uint32_t pixel) {
    return static_cast<int>(std::count(c.pixels().begin(), c.pixels().end(), pixel));
}

// Makes the user coordinates the canvas's pixels, and draws in red.
void usePixels(BufferCanvas& c) {
    c.scale(0.0f, 0.0f, static_cast<float>(c.widthPixels()), static_cast<float>(c.heightPixels()));
    c.setForeColor(255);
}

ErrorKind errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.kind();
    }
    QTest::qFail("no error raised", __FILE__, __LINE__);
    return ErrorKind::Overflow;
}

// A canvas on rows wider than its picture, as an image may lay them out: the
// pixels past each row's end are not the canvas's.
class PaddedCanvas final : public RasterCanvas {
public:
    static constexpr std::uint32_t kPadding = 0x12345678u;
    PaddedCanvas(int width, int height, int stride)
        : pixels_(static_cast<std::size_t>(height * stride), kPadding) {
        attach({pixels_.data(), width, height, stride});
    }
    void setHeight(float) override {}
    void setWidth(float) override {}
    float height() const override { return 0.0f; }
    float width() const override { return 0.0f; }
    void setTop(float) override {}
    void setLeft(float) override {}
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

private:
    std::vector<std::uint32_t> pixels_;
};

} // namespace

class TestRaster : public QObject {
    Q_OBJECT
private slots:
    void colourValuesBecomePixels() {
        QCOMPARE(toPixel(kYellow), 0xffffff00u);
        QCOMPARE(toPixel(kWhite), kWhitePixel);
        QCOMPARE(toPixel(255), kRed);
        QCOMPARE(toPixel(152 * 0x010101), 0xff989898u);
        QCOMPARE(toPixel(65536 * 200), 0xff0000c8u);
    }

    void startsWhiteWithPenWidthOne() {
        BufferCanvas c(8, 4);
        QCOMPARE(countPixels(c, kWhitePixel), 32);
        QCOMPARE(c.drawWidth(), 1);
        QCOMPARE(c.backColor(), kWhite);
    }

    void clsAndBackColorFillWithTheBackground() {
        BufferCanvas c(8, 4);
        usePixels(c);
        c.cls(); // before anything is drawn: the white background
        QCOMPARE(countPixels(c, kWhitePixel), 32);
        c.line(0.5f, 0.5f, 7.5f, 3.5f);
        QVERIFY(countPixels(c, kRed) > 0);
        c.setBackColor(20 * 0x010101); // erases what was drawn
        QCOMPARE(countPixels(c, 0xff141414u), 32);
        c.line(0.5f, 0.5f, 7.5f, 0.5f);
        c.cls(); // the drawing's own background, not white
        QCOMPARE(countPixels(c, 0xff141414u), 32);
        c.line(0.5f, 0.5f, 7.5f, 0.5f);
        c.setBackColor(20 * 0x010101); // the same colour again still erases
        QCOMPARE(countPixels(c, 0xff141414u), 32);
        QCOMPARE(c.foreColor(), 255); // colours and pen stay
    }

    // Every row of the picture takes the background, and nothing past it.
    void aFillCoversEachRowAndOnlyIt() {
        for (const auto& [width, height, stride] : {std::tuple{5, 4, 8}, {3, 1, 4}, {1, 3, 2}}) {
            PaddedCanvas c(width, height, stride);
            c.setBackColor(20 * 0x010101);
            for (int i = 0; i < height * stride; ++i)
                QCOMPARE(c.pixels()[i], i % stride < width ? 0xff141414u : PaddedCanvas::kPadding);
        }
    }

    void drawsBothEndsOfALine() {
        BufferCanvas c(10, 10);
        usePixels(c);
        c.line(1.5f, 2.5f, 6.5f, 2.5f);
        for (int x = 1; x <= 6; ++x)
            QCOMPARE(c.pixel(x, 2), kRed);
        QCOMPARE(countPixels(c, kRed), 6);
        c.line(3.5f, 9.9f, 3.5f, 9.9f); // a point
        QCOMPARE(c.pixel(3, 9), kRed);
    }

    void cutsLinesAtTheDrawingArea() {
        BufferCanvas c(10, 10);
        usePixels(c);
        const auto before = c.pixels();
        c.line(-5.0f, -5.0f, -1.0f, 20.0f); // wholly outside
        c.line(11.0f, 0.0f, 30.0f, 9.0f);
        c.line(-1e30f, 12.0f, 1e30f, 12.0f);
        QCOMPARE(c.pixels(), before);
        c.line(-3e38f, 4.5f, 3e38f, 4.5f); // crosses from far away
        for (int x = 0; x < 10; ++x)
            QCOMPARE(c.pixel(x, 4), kRed);
        QCOMPARE(countPixels(c, kRed), 10);
        c.line(10.0f, 10.0f, 10.0f, 10.0f); // the far corner belongs to the last pixel
        QCOMPARE(c.pixel(9, 9), kRed);
    }

    void scaleMapsEdgesAndMayReverseAxes() {
        BufferCanvas c(20, 10);
        c.setForeColor(255);
        c.scale(-4.0f, -2.0f, 4.0f, 2.0f); // y grows downwards
        c.line(-3.9f, -1.9f, -3.9f, -1.9f);
        QCOMPARE(c.pixel(0, 0), kRed);
        c.scale(4.0f, 2.0f, -4.0f, -2.0f); // both axes reversed
        c.line(-3.9f, -1.9f, -3.9f, -1.9f);
        QCOMPARE(c.pixel(19, 9), kRed);
        QCOMPARE(countPixels(c, kRed), 2);
        QCOMPARE(errorOf([&] { c.scale(1.0f, 0.0f, 1.0f, 2.0f); }),
                 ErrorKind::InvalidPropertyValue);
    }

    void wideLinesCoverThePenWidthWithRoundEnds() {
        BufferCanvas c(20, 20);
        usePixels(c);
        c.setDrawWidth(5);
        c.line(5.5f, 10.5f, 14.5f, 10.5f);
        for (int y = 8; y <= 12; ++y)
            QCOMPARE(c.pixel(10, y), kRed);
        QCOMPARE(c.pixel(10, 7), kWhitePixel);
        QCOMPARE(c.pixel(10, 13), kWhitePixel);
        // Round ends reach half the width beyond the end points, not the corners.
        QCOMPARE(c.pixel(3, 10), kRed);
        QCOMPARE(c.pixel(2, 10), kWhitePixel);
        QCOMPARE(c.pixel(3, 8), kWhitePixel);
        QCOMPARE(c.pixel(16, 12), kWhitePixel);

        BufferCanvas upright(20, 20);
        usePixels(upright);
        upright.setDrawWidth(3);
        upright.line(10.5f, 4.5f, 10.5f, 15.5f);
        for (int x = 9; x <= 11; ++x)
            QCOMPARE(upright.pixel(x, 10), kRed);
        QCOMPARE(upright.pixel(8, 10), kWhitePixel);
        QCOMPARE(upright.pixel(12, 10), kWhitePixel);
        QCOMPARE(upright.pixel(10, 3), kRed);
        QCOMPARE(upright.pixel(10, 2), kWhitePixel);
    }

    // Across a line of pen width w lie w pixels, at whatever offset: pixel
    // centres fall into a half-open band w wide, so a column (a row, for a
    // steep line) holds the whole pixels of its cut through the band, w times
    // the secant of the line's slope, or one more.
    void penWidthIsTheThicknessWhereverTheLineLies_data() {
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("offset");
        QTest::addColumn<int>("width");
        const struct {
            const char* name;
            double dx, dy;
        } directions[] = {{"level", 1, 0},    {"upright", 0, 1}, {"diagonal", 1, 1},
                          {"falling", 1, -1}, {"shallow", 3, 1}, {"steep", -1, 3}};
        for (const auto& d : directions)
            for (double offset : {0.0, 0.5, 0.25})
                for (int width = 1; width <= 5; ++width)
                    QTest::addRow("%s %g w%d", d.name, offset, width)
                        << d.dx << d.dy << offset << width;
    }
    void penWidthIsTheThicknessWhereverTheLineLies() {
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, offset);
        QFETCH(int, width);
        constexpr int kSize = 64;
        BufferCanvas c(kSize, kSize);
        usePixels(c);
        c.setDrawWidth(static_cast<std::int16_t>(width));
        // Through (32 + offset, 32 + offset), 24 pixels along each main axis either way.
        const double reach = 24.0 / std::max(std::fabs(dx), std::fabs(dy));
        const double cx = 32.0 + offset, cy = 32.0 + offset;
        c.line(static_cast<float>(cx - dx * reach), static_cast<float>(cy - dy * reach),
               static_cast<float>(cx + dx * reach), static_cast<float>(cy + dy * reach));

        const double length = std::hypot(dx, dy);
        const bool steep = std::fabs(dy) > std::fabs(dx);
        const double cut = width * length / std::fabs(steep ? dy : dx);
        // Away from the ends, so that the round ends do not count.
        for (int k = 32 - 24 + width + 2; k < 32 + 24 - width - 2; ++k) {
            int covered = 0, runs = 0;
            bool before = false;
            for (int i = 0; i < kSize; ++i) {
                const int x = steep ? i : k, y = steep ? k : i;
                const bool red = c.pixel(x, y) == kRed;
                covered += red;
                runs += red && !before;
                before = red;
                // Every covered centre lies within half the width of the line.
                const double across = ((x + 0.5 - cx) * dy - (y + 0.5 - cy) * dx) / length;
                if (red && width > 1)
                    QVERIFY2(std::fabs(across) <= width / 2.0 + 1e-9,
                             qPrintable(QString::number(k)));
            }
            QVERIFY2(covered >= std::floor(cut) && covered <= std::ceil(cut),
                     qPrintable(QStringLiteral("%1 covers %2").arg(k).arg(covered)));
            QCOMPARE(runs, 1);
        }
    }

    // Slanted wide lines amid the picture are worked out two rows at a time,
    // those near its left or right edge row by row: the same line moved by
    // whole pixels covers the same pixels moved alike, whatever the number
    // of its rows. Among them lines whose ends lie just the pen's reach
    // (half its width and a pixel) from the left or the right edge, the
    // last that count as amid. From a height of 17, lines along 3-4-5
    // triangles put the ends of many rows' spans exactly on pixel centres,
    // where rounding them to whole pixels must not be off by one.
    void wideLinesAreTheSameAmidThePictureAndAtItsEdges_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<float>("dx");
        QTest::addColumn<float>("dy");
        QTest::addColumn<float>("edgeX"); // where the line starts near an edge
        QTest::addColumn<float>("y0");
        const auto add = [](int width, float dx, float dy, float y) {
            const float reach = static_cast<float>(width) / 2.0f + 1.0f;
            for (const float edgeX :
                 {0.75f, 3.25f, 60.5f, reach, 64.0f - reach - std::max(dx, 0.0f)})
                QTest::addRow("w%d %g,%g at %g,%g", width, double(dx), double(dy),
                              double(edgeX), double(y))
                    << width << dx << dy << edgeX << y;
        };
        for (int width = 2; width <= 5; ++width) {
            for (const auto& [dx, dy] : {std::pair{3.5f, 1.25f}, {1.25f, 6.5f}, {-2.75f, 5.0f},
                                        {6.0f, -0.375f}, {0.5f, 0.625f}})
                add(width, dx, dy, 17.3f);
            for (const auto& [dx, dy] : {std::pair{3.0f, 4.0f}, {4.0f, -3.0f}, {-6.0f, 8.0f}})
                add(width, dx, dy, 17.0f);
        }
    }
    void wideLinesAreTheSameAmidThePictureAndAtItsEdges() {
        QFETCH(int, width);
        QFETCH(float, dx);
        QFETCH(float, dy);
        QFETCH(float, edgeX);
        QFETCH(float, y0);
        constexpr int kShift = 28; // from the edge to amid the picture
        const auto draw = [&](float x) {
            auto c = std::make_unique<BufferCanvas>(64, 40);
            usePixels(*c);
            c->setDrawWidth(static_cast<std::int16_t>(width));
            c->line(x, y0, x + dx, y0 + dy);
            return c;
        };
        const auto edge = draw(edgeX);
        const auto amid = draw(edgeX < 32.0f ? edgeX + kShift : edgeX - kShift);
        const int shift = edgeX < 32.0f ? kShift : -kShift;
        for (int y = 0; y < 40; ++y)
            for (int x = std::max(0, -shift); x < std::min(64, 64 - shift); ++x)
                QVERIFY2(edge->pixel(x, y) == amid->pixel(x + shift, y),
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
        QVERIFY(countPixels(*amid, kRed) > 0);
    }

    void wideDiagonalLinesHaveNoGaps() {
        BufferCanvas c(40, 40);
        usePixels(c);
        c.setDrawWidth(2);
        c.line(2.0f, 3.0f, 37.0f, 31.0f);
        for (int y = 3; y <= 31; ++y) {
            int covered = 0;
            for (int x = 0; x < 40; ++x)
                covered += c.pixel(x, y) == kRed;
            QVERIFY2(covered >= 1 && covered <= 4, qPrintable(QString::number(y)));
        }
        c.setDrawWidth(5);
        c.line(-1e30f, 20.5f, 1e30f, 20.5f); // wide and from far away
        for (int x = 0; x < 40; ++x)
            QCOMPARE(c.pixel(x, 22), kRed);
    }

    // Bands test lines on their user heights before mapping them, which must
    // say what the test on their rows says: for every pair of ends among the
    // floats next to the heights where rows cross the band's limits, as well
    // as infinite and NaN ones, with the mapping rising or falling, and with
    // scales that leave the test to the rows.
    void bandReachIsTheTestOnRows_data() {
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("scaleY");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("end");
        QTest::addColumn<double>("reach");
        QTest::newRow("rising, upper band") << -2.5 << 200.0 << 0 << 500 << 1.5;
        QTest::newRow("rising, lower band") << -2.5 << 200.0 << 500 << 1000 << 2.5;
        QTest::newRow("rising, odd scale") << -3.1 << 123.456789 << 317 << 641 << 3.5;
        QTest::newRow("falling, upper band") << 2.5 << -200.0 << 0 << 500 << 1.5;
        QTest::newRow("falling, odd scale") << 3.1 << -123.456789 << 317 << 641 << 2.5;
        QTest::newRow("no scale") << 1.0 << 0.0 << 0 << 500 << 1.5;
        QTest::newRow("infinite scale")
            << 1.0 << std::numeric_limits<double>::infinity() << 0 << 500 << 1.5;
    }
    void bandReachIsTheTestOnRows() {
        QFETCH(double, top);
        QFETCH(double, scaleY);
        QFETCH(int, first);
        QFETCH(int, end);
        QFETCH(double, reach);
        const PixelMapping mapping{0.0, top, 1.0, scaleY};
        const RowBand band{first, end};
        const BandReach reaches(mapping, band, reach);
        constexpr float kInfinity = std::numeric_limits<float>::infinity();
        std::vector<float> heights{-kInfinity, kInfinity, std::numeric_limits<float>::quiet_NaN()};
        for (const double row : {first - reach, end + reach}) {
            float y = std::isfinite(row / scaleY) ? static_cast<float>(row / scaleY + top) : 1.0f;
            for (int i = 0; i < 40; ++i)
                y = std::nextafter(y, -kInfinity);
            for (int i = 0; i <= 80; ++i, y = std::nextafter(y, kInfinity))
                heights.push_back(y);
        }
        int reaching = 0;
        for (const float a : heights)
            for (const float b : heights) {
                const ColouredLine line{0.0f, a, 1.0f, b, 0};
                const bool expected = mayReach(mapping(line), band, reach);
                if (reaches(line) != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("%1 to %2").arg(a, 0, 'g', 9).arg(b, 0, 'g', 9)));
                reaching += expected;
            }
        QVERIFY(reaching > 0 && reaching < static_cast<int>(heights.size() * heights.size()));
    }

    // Cut at the corner of the box it is cut to, a line's end can land a
    // rounding beyond the other edge; the cuts once went round that corner
    // for ever. A line along the diagonal through the corner, thin and wide.
    void linesThroughACornerOfTheCutAreDrawn() {
        for (const std::int16_t width : {std::int16_t{1}, std::int16_t{3}}) {
            BufferCanvas c(10, 10);
            c.scale(0.0f, 0.0f, 3.0f, 3.0f); // 10/3 pixels a unit: ends off the pixel grid
            c.setForeColor(255);
            c.setDrawWidth(width);
            c.line(1.0f, 1.0f, -9.0f, -9.0f);
            for (int k = 0; k <= 3; ++k)
                QCOMPARE(c.pixel(k, k), kRed);
            QCOMPARE(c.pixel(5, 5), kWhitePixel);
        }
    }

    void refusesValuesItCannotTake() {
        BufferCanvas c(4, 4);
        QCOMPARE(errorOf([&] { c.setDrawWidth(0); }), ErrorKind::InvalidPropertyValue);
        QCOMPARE(errorOf([&] { c.setDrawWidth(-3); }), ErrorKind::InvalidPropertyValue);
        QCOMPARE(c.drawWidth(), 1);
        QCOMPARE(errorOf([&] { c.setForeColor(-1); }), ErrorKind::InvalidPropertyValue);
        QCOMPARE(errorOf([&] { c.setBackColor(kWhite + 1); }), ErrorKind::InvalidPropertyValue);
        QCOMPARE(errorOf([&] { c.setHeight(-15.0f); }), ErrorKind::InvalidPropertyValue);
        QCOMPARE(errorOf([&] { c.setWidth(1e9f); }), ErrorKind::InvalidPropertyValue);
        QCOMPARE(c.widthPixels(), 4);
        c.setWidth(0.0f); // an empty drawing area takes lines and draws nothing
        c.line(0.0f, 0.0f, 0.0f, 0.0f);
        c.setDrawWidth(4);
        c.line(-1.0f, -1.0f, 1.0f, 1.0f);
        QCOMPARE(c.widthPixels(), 0);
    }

    void resizingKeepsTheDrawingState() {
        BufferCanvas c(4, 4);
        c.setBackColor(30 * 0x010101);
        c.setForeColor(kYellow);
        c.setDrawWidth(3);
        c.setWidth(150.0f);
        c.setHeight(75.0f);
        QCOMPARE(c.widthPixels(), 10);
        QCOMPARE(c.heightPixels(), 5);
        QCOMPARE(c.width(), 150.0f);
        QCOMPARE(c.backColor(), 30 * 0x010101);
        QCOMPARE(c.foreColor(), kYellow);
        QCOMPARE(c.drawWidth(), 3);
        QCOMPARE(countPixels(c, 0xff1e1e1eu), 50);
        // Large enough to take pages of 2 MiB: a line drawn before is gone.
        c.line(0.0f, 0.0f, 9.0f, 4.0f);
        c.setWidth(1600 * 15.0f);
        c.setHeight(1000 * 15.0f);
        QCOMPARE(countPixels(c, 0xff1e1e1eu), 1600 * 1000);
    }
};

QTEST_APPLESS_MAIN(TestRaster)
#include "test_raster.moc"
