#include "rings.h"

#include "batches.h"
#include "m1.h"
#include "numeric.h"
#include "scratch.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace vorlane::sim {

Colour grey(std::int16_t g) {
    if (g < 0)
        raise(ErrorKind::InvalidArgument);
    const Colour level = g > 255 ? 255 : g;
    return level * 0x010101;
}

double deviation(double phi, float tt) {
    const float tphi = toSingle(std::tan(phi));
    double q;
    if (tphi == 0.0f) {
        // The start point lies on the x axis or at the source: the circle's
        // tangent is vertical, and q is the limit of the general formula.
        if (tt == 0.0f)
            return 90.0;
        q = 1.0 / static_cast<double>(tt);
    } else {
        const double m = checked(-1.0f / tphi); // the tangent's slope, single
        const double denominator = m * tt + 1.0;
        if (denominator == 0.0) // the scratch runs along the radius
            return 90.0;
        q = (m - tt) / denominator;
    }
    return std::fabs(static_cast<double>(m1::todeg) * std::atan(q));
}

std::int16_t segmentGrey(double d, float a, std::int16_t s) {
    if (toSingle(d) >= a)
        return s;
    const std::int16_t span = subtract<std::int16_t>(255, s);
    return toInt16Round(255.0 - d / static_cast<double>(a) * span);
}

namespace {

std::int16_t readFloor16(const std::string& text) {
    return toInt16Floor(parseNumber(text));
}
std::int16_t readRound16(const std::string& text) {
    return toInt16Round(parseNumber(text));
}
float readSingle(const std::string& text) {
    return toSingle(parseNumber(text));
}

// The scratches one by one through any canvas, as the drawing rules name the
// operations.
void drawOneByOne(Canvas& f1, RandomSource& random, const ScratchRules& scratchRules,
                  const SegmentRules& segmentRules, std::int64_t lines,
                  const DrawSettings& settings) {
    constexpr std::int64_t kProgressEvery = 4096;
    // The counter is wider than the count, so the largest count ends normally.
    for (std::int64_t i = 1; i <= lines; ++i) {
        const Scratch scratch = makeScratch([&] { return random.next(); }, scratchRules);
        ScratchWalk walk(scratch, segmentRules);
        // Wider than n, so a scratch of 32767 segments ends normally.
        for (std::int32_t j = 1; j <= scratch.n; ++j) {
            const Colour colour = walk.colour();
            f1.setForeColor(colour);
            const ColouredLine line = walk.line(colour);
            f1.line(line.x1, line.y1, line.x2, line.y2);
        }
        if (settings.progress && (i % kProgressEvery == 0 || i == lines))
            settings.progress(i, lines);
    }
}

} // namespace

void cmdhex_Click(const RingFields& fc1, WindowSize main, Canvas& f1, RandomSource& random,
                  const DrawSettings& settings) {
    m1::setconstants();

    f1.setDrawWidth(readFloor16(fc1.txtdrawwidth));
    f1.setHeight(checked(main.height - 500.0f));
    f1.setWidth(checked(main.width - 200.0f));
    f1.setTop(0.0f);
    f1.setLeft(0.0f);

    const float h = f1.height();
    const float w = f1.width();
    f1.scale(-4.0f, divide(checked(h * -4.0f), w), 4.0f, divide(checked(h * 4.0f), w));
    f1.cls();
    f1.setBackColor(grey(readRound16(fc1.txtsky)));

    // The light source: a small yellow cross at the origin.
    f1.setForeColor(kYellow);
    f1.setDrawWidth(2);
    f1.line(0.025f, 0.0f, -0.025f, 0.0f);
    f1.line(0.0f, 0.025f, 0.0f, -0.025f);
    f1.setDrawWidth(readFloor16(fc1.txtdrawwidth));

    SegmentRules segmentRules{};
    segmentRules.l = readSingle(fc1.txtseglength);
    ScratchRules scratchRules{};
    scratchRules.nmin = readFloor16(fc1.txtsegmin);
    const std::int16_t nmax = readFloor16(fc1.txtsegmax);
    scratchRules.span = subtract(nmax, scratchRules.nmin);
    segmentRules.s = readRound16(fc1.txtscratchcol);
    segmentRules.a = readSingle(fc1.txtanglim);
    const std::int32_t lines = toInt32Round(parseNumber(fc1.txtlines));
    if (lines < 1)
        return;

    // Batches need a raster to draw into and a stream they can read ahead in.
    auto* raster = dynamic_cast<RasterCanvas*>(&f1);
    const std::unique_ptr<RandomSource> ahead = raster ? random.clone() : nullptr;
    if (ahead)
        drawInBatches(*raster, random, *ahead, scratchRules, segmentRules, lines, settings);
    else
        drawOneByOne(f1, random, scratchRules, segmentRules, lines, settings);
}

} // namespace vorlane::sim
