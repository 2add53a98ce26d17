// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "rings.h"

#include "sim/maths/m1.h"
#include "sim/rules/numeric.h"
#include "sim/scratch/scratch.h"
#include "sim/threads/batches.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace vorlane::sim {

namespace {

using Field = std::string RingFields::*;

const char* captionOf(Field field) {
    for (const RingField& row : kRingFieldsByName)
        if (row.text == field)
            return row.caption;
    return "";
}

// Runs a step that uses the value of one field: an error that it raises
// names the field and its text.
template <typename Step> auto usingField(const RingFields& fc1, Field field, Step step) {
    try {
        return step(fc1.*field);
    } catch (const RuntimeError& error) {
        throw RuntimeError(error.kind(), fieldProblem(error.kind(), captionOf(field), fc1.*field));
    }
}

// A field's text as a number, converted to the width the command needs.
template <auto convert> auto read(const RingFields& fc1, Field field) {
    return usingField(fc1, field,
                      [](const std::string& text) { return convert(parseNumber(text)); });
}

// The canvas refuses a pen width below 1: the field's fault too.
void setPenWidth(Canvas& f1, const RingFields& fc1) {
    usingField(fc1, &RingFields::txtdrawwidth, [&f1](const std::string& text) {
        f1.setDrawWidth(toInt16Floor(parseNumber(text)));
    });
}

// A negative sky grey is the field's fault too.
Colour skyGrey(const RingFields& fc1) {
    return usingField(fc1, &RingFields::txtsky, [](const std::string& text) {
        return grey(toInt16Round(parseNumber(text)));
    });
}

// D = Nmax - Nmin, beyond 16 bits for some pairs of valid counts.
std::int16_t spanOf(const RingFields& fc1, std::int16_t nmax, std::int16_t nmin) {
    try {
        return subtract(nmax, nmin);
    } catch (const RuntimeError& error) {
        throw RuntimeError(error.kind(),
                           differenceProblem(captionOf(&RingFields::txtsegmax), fc1.txtsegmax,
                                             captionOf(&RingFields::txtsegmin), fc1.txtsegmin));
    }
}

// What the scratches use, read in the command's order after the source mark.
struct ScratchValues {
    ScratchRules scratch;
    SegmentRules segment;
    std::int32_t lines;
};

ScratchValues readScratchValues(const RingFields& fc1) {
    ScratchValues values{};
    values.segment.l = read<toSingle>(fc1, &RingFields::txtseglength);
    values.scratch.nmin = read<toInt16Floor>(fc1, &RingFields::txtsegmin);
    const std::int16_t nmax = read<toInt16Floor>(fc1, &RingFields::txtsegmax);
    values.scratch.span = spanOf(fc1, nmax, values.scratch.nmin);
    values.segment.s = read<toInt16Round>(fc1, &RingFields::txtscratchcol);
    values.segment.a = read<toSingle>(fc1, &RingFields::txtanglim);
    values.segment.unlitFrom = rounded::unlitFrom(values.segment.a);
    values.lines = read<toInt32Round>(fc1, &RingFields::txtlines);
    return values;
}

// Whether no segment can raise an error, whatever the random numbers:
// - with a scratch grey from 0 on, 255 - S fits 16 bits and every grey, S
//   or a blend between S and 255, is at least 0;
// - with a length from 2^-16 to 2^64, an end point lies within about 32767
//   lengths and the start's 2.9 units of the source, far inside the single
//   range; and a start point off the x axis lies at an angle of at least
//   about 2^-100 from it (its y is a sum of the length's part and the
//   rebuilt radius's, whose smallest nonzero value a length that large
//   bounds), so that the slope of the circle's tangent, -1 over a single
//   that then is at least 2^-100, cannot overflow.
bool noSegmentCanFail(const SegmentRules& rules) {
    const float length = std::fabs(rules.l);
    return rules.s >= 0 && length >= 0x1p-16f && length <= 0x1p64f;
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

void drawRings(const RingFields& fc1, WindowSize main, Canvas& f1, RandomSource& random,
               const DrawSettings& settings) {
    m1::setconstants();

    setPenWidth(f1, fc1);
    f1.setHeight(checked(main.height - kCanvasMargins.height));
    f1.setWidth(checked(main.width - kCanvasMargins.width));
    f1.setTop(0.0f);
    f1.setLeft(0.0f);

    const float h = f1.height();
    const float w = f1.width();
    f1.scale(-4.0f, divide(checked(h * -4.0f), w), 4.0f, divide(checked(h * 4.0f), w));
    f1.cls();
    f1.setBackColor(skyGrey(fc1));

    // The light source: a small yellow cross at the origin.
    f1.setForeColor(kYellow);
    f1.setDrawWidth(2);
    f1.line(0.025f, 0.0f, -0.025f, 0.0f);
    f1.line(0.0f, 0.025f, 0.0f, -0.025f);
    setPenWidth(f1, fc1);

    const ScratchValues values = readScratchValues(fc1);
    const ScratchRules& scratchRules = values.scratch;
    const SegmentRules& segmentRules = values.segment;
    const std::int32_t lines = values.lines;
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

} // namespace

std::optional<std::uint64_t> randomNumbersUsed(const RingFields& fc1) {
    ScratchValues values{};
    try {
        values = readScratchValues(fc1);
    } catch (const RuntimeError&) {
        return 0;
    }
    if (values.lines < 1)
        return 0;
    if (!noSegmentCanFail(values.segment))
        return std::nullopt;
    return 4 * static_cast<std::uint64_t>(values.lines);
}

void cmdhex_Click(const RingFields& fc1, WindowSize main, Canvas& f1, RandomSource& random,
                  const DrawSettings& settings) {
    try {
        drawRings(fc1, main, f1, random, settings);
    } catch (const RuntimeError& error) {
        // A segment's grey is below 0 only when the scratch grey is, and the
        // sky grey's error names its field already: an invalid argument
        // without a field is the scratch grey's.
        if (error.kind() != ErrorKind::InvalidArgument || !error.detail().empty())
            throw;
        throw RuntimeError(
            error.kind(),
            fieldProblem(error.kind(), captionOf(&RingFields::txtscratchcol), fc1.txtscratchcol));
    }
}

} // namespace vorlane::sim
