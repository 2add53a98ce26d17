// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's floor computes what the drawing computes, bit for bit: a
// floor that drifted from the drawing rules would time other work.

#include "floor.h"
#include "sim/scratch/scratch.h"

#include <QTest>

#include <optional>

using namespace vorlane;
using namespace vorlane::sim;

class TestFloor : public QObject {
    Q_OBJECT
private slots:
    void floorGivesTheDrawingsValues() {
        constexpr std::int64_t kScratches = 3000;
        Mt19937Source drawingStream, floorStream;
        const ScratchRules scratchRules{bench::kNmin, bench::kSpan};
        m1::setconstants();
        const SegmentRules segmentRules{bench::kSegmentLength, bench::kAngleLimit,
                                        bench::kScratchGrey,
                                        rounded::unlitFrom(bench::kAngleLimit)};
        std::int64_t compared = 0;
        std::int64_t firstDifference = -1; // the index of the first segment that differs
        Scratch scratch{};
        int left = 0;
        std::optional<ScratchWalk<>> walk;
        const std::int64_t segments =
            bench::floorSegments(floorStream, kScratches, [&](bench::SegmentValues values) {
                while (left == 0) {
                    scratch = makeScratch([&] { return drawingStream.next(); }, scratchRules);
                    walk.emplace(scratch, segmentRules);
                    left = scratch.n;
                }
                const Colour colour = walk->colour();
                const ColouredLine line = walk->line(colour);
                --left;
                const bool same = values.x1 == line.x1 && values.y1 == line.y1 &&
                                  values.x2 == line.x2 && values.y2 == line.y2 &&
                                  grey(static_cast<std::int16_t>(values.grey)) == colour;
                if (!same && firstDifference < 0)
                    firstDifference = compared;
                ++compared;
            });
        QCOMPARE(firstDifference, std::int64_t{-1});
        QCOMPARE(compared, segments);
        QCOMPARE(segments, bench::segmentsOf(kScratches));
        QVERIFY(segments > 100000);
    }
};

QTEST_APPLESS_MAIN(TestFloor)
#include "test_floor.moc"
