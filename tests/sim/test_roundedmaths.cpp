// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The guarded maths gives the reference's singles and greys on inputs made to
// lie where a faster way would round differently, and the guards are needed
// there: without them the polar form rounds some of these to another single.

#include "exact.h"
#include "samerounding.h"
#include "sim/command/rings.h"
#include "sim/pixels/buffercanvas.h"

#include <QTest>

#include <numbers>
#include <random>
#include <vector>

using namespace vorlane::sim;
using namespace vorlane::sim::testing;

namespace {

struct Point {
    double x, y;
};

// Points of the kind `kind` from a fixed seed, with either sign of x.
std::vector<Point> points(const QString& kind, int count) {
    std::mt19937_64 engine(0x5eed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto sign = [&] { return unit(engine) < 0.5 ? -1.0 : 1.0; };
    const auto ulps = [&](double v) { // v moved by up to three steps of its bits
        return rounded::detail::stepped(v, static_cast<int>(unit(engine) * 7) - 3);
    };
    std::vector<Point> result;
    for (int i = 0; i < count; ++i) {
        const double radius = 0.01 + 3.0 * unit(engine);
        const double angle = 2.0 * std::numbers::pi * unit(engine);
        // A single and the midpoint above it, which the value lies near.
        const auto single = static_cast<float>(unit(engine));
        const double midpoint =
            (static_cast<double>(single) + std::nextafter(single, 2.0f)) * 0.5;
        const double other = std::sqrt(1.0 - midpoint * midpoint);
        if (kind == "uniform")
            result.push_back({4.0 * unit(engine) - 2.0, 4.0 * unit(engine) - 2.0});
        else if (kind == "cosine near a midpoint")
            result.push_back({ulps(sign() * midpoint * radius), sign() * other * radius});
        else if (kind == "sine near a midpoint")
            result.push_back({sign() * other * radius, ulps(sign() * midpoint * radius)});
        else if (kind == "tangent near a midpoint")
            result.push_back({radius, ulps(sign() * midpoint * radius)});
        else if (kind == "near the axes")
            result.push_back({sign() * radius, sign() * radius * std::ldexp(unit(engine), -(i % 70))});
        else if (kind == "near the source")
            result.push_back({std::ldexp(std::cos(angle), -(i % 600)),
                              std::ldexp(std::sin(angle), -(i % 600))});
        else if (kind == "angles near multiples of pi/2")
            result.push_back({radius * std::cos(std::numbers::pi / 2 * (i % 4)) +
                                  sign() * std::ldexp(radius, -20 - i % 40),
                              radius * std::sin(std::numbers::pi / 2 * (i % 4))});
    }
    return result;
}

const QStringList kPointKinds = {"uniform",       "cosine near a midpoint",
                                 "sine near a midpoint", "tangent near a midpoint",
                                 "near the axes",  "near the source",
                                 "angles near multiples of pi/2"};

} // namespace

class TestRoundedMaths : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { m1::setconstants(); }

    void referenceIsCorrectlyRounded() {
        // Values whose correct rounding is known.
        QCOMPARE_EXACT(rounded::atan(1.0), std::numbers::pi / 4);
        QCOMPARE_EXACT(rounded::tan(0.0), 0.0);
        QCOMPARE_EXACT(rounded::cos(0.0), 1.0);
        QCOMPARE_EXACT(rounded::sin(0x1p-1070), 0x1p-1070); // subnormal results stay exact
        QCOMPARE_EXACT(rounded::atan(HUGE_VAL), std::numbers::pi / 2);
    }

    void polarValuesAreTheReferences_data() {
        QTest::addColumn<QString>("kind");
        for (const QString& kind : kPointKinds)
            QTest::newRow(qPrintable(kind)) << kind;
    }
    void polarValuesAreTheReferences() {
        QFETCH(QString, kind);
        for (const Point& p : points(kind, 8000))
            QVERIFY2(samePolar(p.x, p.y),
                     qPrintable(QStringLiteral("%1 %2").arg(p.x, 0, 'a').arg(p.y, 0, 'a')));
    }

    // Two scratches walked in the lanes of a Pair give what each gives
    // walked alone, or leave both to be walked alone; from points near the
    // guards' limits, in directions near the axes and anywhere.
    void pairsWalkAsOneDoes_data() { polarValuesAreTheReferences_data(); }
    void pairsWalkAsOneDoes() {
        QFETCH(QString, kind);
        const std::vector<Point> starts = points(kind, 4000);
        const std::vector<Point> directions = points("angles near multiples of pi/2", 4000);
        const SegmentRules rules = rulesFor(15.0f, 50);
        const auto scratchOf = [&](std::size_t i) {
            return scratchAt(3, starts[i].x, starts[i].y,
                             std::atan2(directions[i].y, directions[i].x));
        };
        int paired = 0;
        for (std::size_t i = 0; i + 1 < starts.size(); i += 2) {
            ScratchWalk<> a(scratchOf(i), rules), b(scratchOf(i + 1), rules);
            for (int step = 0; step < 3; ++step) {
                const PairedStep outcome = pairedStep(a, b);
                QVERIFY(outcome != PairedStep::differs);
                paired += outcome == PairedStep::together;
                if (outcome == PairedStep::failed)
                    break;
            }
        }
        QVERIFY(paired > 0);
    }

    void polarSpecialInputsTakeTheRulesWay_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("the source") << 0.0 << 0.0;
        QTest::newRow("positive x axis") << 1.5 << 0.0;
        QTest::newRow("negative x axis") << -1.5 << 0.0;
        QTest::newRow("positive y axis") << 0.0 << 1.0;
        QTest::newRow("negative y axis") << 0.0 << -1.0;
        QTest::newRow("quotient beyond the double range") << 1e-300 << 1e10;
        QTest::newRow("below the double range") << 1e-170 << -1e-170;
        QTest::newRow("along the single range") << -3e38 << 2e38;
    }
    void polarSpecialInputsTakeTheRulesWay() {
        QFETCH(double, x);
        QFETCH(double, y);
        QVERIFY(samePolar(x, y));
        // Beside an ordinary scratch in a pair, in either lane and in three
        // directions: the rule's own cases, on an axis or at the source, are
        // each walk's alone.
        const SegmentRules rules = rulesFor(15.0f, 50);
        for (const double theta : {0.0, 1.0, -2.5})
            for (const bool specialFirst : {true, false}) {
                ScratchWalk<> special(scratchAt(1, x, y, theta), rules);
                ScratchWalk<> ordinary(scratchAt(1, 0.75, -0.5, theta), rules);
                const PairedStep outcome = specialFirst ? pairedStep(special, ordinary)
                                                        : pairedStep(ordinary, special);
                QVERIFY(outcome != PairedStep::differs);
                if (x == 0.0 || y == 0.0)
                    QVERIFY(outcome != PairedStep::together);
            }
    }

    // Without the guard the polar form rounds some values near a midpoint to
    // another single; with it, none.
    void theGuardHasTeeth() {
        int unguardedWrong = 0;
        for (const char* kind : {"cosine near a midpoint", "sine near a midpoint"})
            for (const Point& p : points(kind, 8000)) {
                if (p.x <= 0.0)
                    continue;
                const double r = std::sqrt(p.x * p.x + p.y * p.y);
                const rounded::Trigonometry reference = rounded::referencePolar(p.x, p.y);
                unguardedWrong += static_cast<float>(p.x / r) != reference.c ||
                                  static_cast<float>(p.y / r) != reference.s;
                QVERIFY(samePolar(p.x, p.y));
            }
        QVERIFY2(unguardedWrong > 0, "no input where the unguarded form rounds differently");
    }

    // Terms whose quotient lies a few steps from the lit bound, with either
    // sign: the lit test without the division implies the quotient's, and
    // needs its padding; the greys from the terms are the reference's.
    void theLitTestWithoutDivisionIsSound() {
        for (const float a : {15.0f, 1e-3f, 85.0f}) {
            const SegmentRules rules = rulesFor(a, 50);
            const double bound = rules.unlitFrom;
            std::mt19937_64 engine(3);
            std::uniform_real_distribution<double> unit(0.5, 2.0);
            int unpaddedWrong = 0;
            for (int i = 0; i < 20000; ++i) {
                const double d = (i % 2 ? 1.0 : -1.0) * unit(engine);
                const double n = rounded::detail::stepped(bound * d, i % 9 - 4);
                const bool unlit = std::fabs(n / d) >= bound;
                QVERIFY(!rounded::quotientSurelyFrom(n, d, bound) || unlit);
                unpaddedWrong += std::fabs(n) >= bound * std::fabs(d) && !unlit;
                QCOMPARE(GuardedMaths::termsGrey({n, d}, rules),
                         ReferenceMaths::termsGrey({n, d}, rules));
            }
            QVERIFY2(unpaddedWrong > 0, "no terms where the unpadded test is wrong");
        }
    }

    void directionsAreTheReferences() {
        std::mt19937 engine(7);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        const double turn = static_cast<double>(m1::torad) * 360.0;
        std::vector<float> numbers = {0.0f, 0.25f, 0.5f, 0.75f, std::nextafter(1.0f, 0.0f)};
        for (int i = 0; i < 20000; ++i)
            numbers.push_back(unit(engine));
        for (float quarter : {0.25f, 0.5f, 0.75f}) // angles near multiples of pi/2
            for (int steps = -200; steps <= 200; ++steps)
                numbers.push_back(std::bit_cast<float>(std::bit_cast<std::int32_t>(quarter) + steps));
        for (float u2 : numbers)
            QVERIFY2(sameDirection(turn * u2), qPrintable(QString::number(u2, 'a')));
        // And whatever the angle, cosines and tangents near midpoints too.
        for (const Point& p : points("cosine near a midpoint", 5000))
            QVERIFY(sameDirection(std::atan2(p.y, p.x)));
    }

    // Quotients at and a few steps around the tangents of the lit boundary
    // and of the deviations whose grey lies at k + 0.5.
    void greysAreTheReferences_data() {
        QTest::addColumn<float>("a");
        QTest::addColumn<int>("s");
        QTest::newRow("defaults") << 15.0f << 50;
        QTest::newRow("tiny limit") << 1e-3f << 0;
        QTest::newRow("wide limit") << 85.0f << 200;
        QTest::newRow("limit beyond the bound's range") << 89.5f << 50;
        QTest::newRow("limit 90") << 90.0f << 50;
        QTest::newRow("no limit") << 0.0f << 50;
        QTest::newRow("negative limit") << -1.0f << 50;
        QTest::newRow("scratch grey above white") << 30.0f << 300;
        QTest::newRow("blend overflows") << 15.0f << -32768;
        QTest::newRow("negative greys") << 15.0f << -100;
    }
    void greysAreTheReferences() {
        QFETCH(float, a);
        QFETCH(int, s);
        const SegmentRules rules = rulesFor(a, static_cast<std::int16_t>(s));
        const double span = 255 - s;
        std::vector<double> degrees = {static_cast<double>(a),
                                       (static_cast<double>(a) + std::nextafter(a, 0.0f)) / 2};
        for (int k = -2; k < 260 && span != 0; k += 3)
            degrees.push_back((254.5 - k) * static_cast<double>(a) / span);
        const rounded::StageCounts before = rounded::stageCounts;
        int compared = 0;
        for (double d : degrees) {
            if (!(d > 0.0 && d < 90.0))
                continue;
            const double q = std::tan(d / static_cast<double>(m1::todeg));
            for (int steps = -12; steps <= 12; ++steps)
                for (double sign : {1.0, -1.0}) {
                    const double stepped = sign * rounded::detail::stepped(q, steps);
                    QVERIFY2(sameQuotientGrey(stepped, rules),
                             qPrintable(QString::number(stepped, 'a')));
                    ++compared;
                }
        }
        QVERIFY(compared > 0 || a <= 0.0f || a >= 90.0f);
        // Near the boundaries some quotients must have needed the reference
        // (at the lit boundary both sides' greys differ only below white).
        if (a > 0.0f && a < 90.0f && s >= 0 && s < 255)
            QVERIFY(rounded::stageCounts.deviationReference > before.deviationReference);

        // The rule's own cases: tphi = 0, tt = 0, m tt = -1, m beyond the single range.
        for (const auto& [tphi, tt] : std::vector<std::pair<float, float>>{
                 {0.0f, 0.0f}, {0.0f, 2.0f}, {-0.0f, -0.5f}, {3.0f, 0.0f}, {1.0f, 1.0f},
                 {2.0f, 2.0f}, {-4.0f, -4.0f}, {1e-40f, 1.0f}, {1e30f, 1e-30f}, {0.5f, -2.0f}})
            QVERIFY2(sameGrey(tphi, tt, rules),
                     qPrintable(QStringLiteral("%1 %2").arg(tphi).arg(tt)));
        std::mt19937 engine(11);
        std::uniform_real_distribution<float> unit(-8.0f, 8.0f);
        for (int i = 0; i < 8000; ++i)
            QVERIFY(sameGrey(unit(engine), unit(engine), rules));
    }

    // A picture drawn with every value from the reference alone is the drawing's.
    void theReferenceDrawsTheSamePicture() {
        for (const std::string& pen : std::vector<std::string>{"1", "3"}) {
            RingFields fields;
            fields.txtdrawwidth = pen;
            fields.txtlines = "60";
            BufferCanvas drawn(300, 200), reference(300, 200);
            Mt19937Source random, referenceRandom;
            cmdhex_Click(fields, WindowSize{4000.0f, 5000.0f}, drawn, random, DrawSettings{2, {}});

            // The same preparation, then the scratches from the reference.
            RingFields preparation;
            preparation.txtdrawwidth = pen;
            preparation.txtlines = std::string("0");
            cmdhex_Click(preparation, WindowSize{4000.0f, 5000.0f}, reference, referenceRandom);
            const SegmentRules rules{0.02f, 15.0f, 50};
            for (int i = 0; i < 60; ++i) {
                const Scratch scratch = makeScratch<ReferenceMaths>(
                    [&] { return referenceRandom.next(); }, ScratchRules{4, 96});
                ScratchWalk<ReferenceMaths> walk(scratch, rules);
                for (int j = 0; j < scratch.n; ++j) {
                    const Colour colour = walk.colour();
                    reference.setForeColor(colour);
                    const ColouredLine line = walk.line(colour);
                    reference.line(line.x1, line.y1, line.x2, line.y2);
                }
            }
            QVERIFY(drawn.pixels() == reference.pixels());
        }
    }
};

QTEST_APPLESS_MAIN(TestRoundedMaths)
#include "test_roundedmaths.moc"
