#pragma once

// One scratch of "draw rings": made from its four random numbers and walked
// segment by segment. Shared by the drawing on one thread through any canvas
// and the drawing in batches on several threads, so both follow one rule.

#include "canvas.h"
#include "m1.h"
#include "numeric.h"
#include "raster.h"
#include "rings.h"

#include <cmath>
#include <cstdint>

namespace vorlane::sim {

// What every scratch shares: the least number of segments and the span above it.
struct ScratchRules {
    std::int16_t nmin;
    std::int16_t span;
};

// What every segment shares: its length, the angle limit and the scratch grey.
struct SegmentRules {
    float l;
    float a;
    std::int16_t s;
};

// One scratch: n segments from (x, y) in the direction whose cosine, sine and
// tangent are ct, st and tt.
struct Scratch {
    std::int16_t n;
    float ct, st, tt;
    double x, y;
};

// Draws the scratch's four numbers from next() in order, each step failing
// where its own computation fails.
template <typename Next> Scratch makeScratch(Next&& next, const ScratchRules& rules) {
    Scratch scratch{};
    const float u1 = next();
    scratch.n = toInt16Round(static_cast<float>(rules.span) * u1 + static_cast<float>(rules.nmin));

    const float u2 = next();
    const double theta = static_cast<double>(m1::torad) * 360.0 * u2;
    scratch.ct = toSingle(std::cos(theta));
    scratch.st = toSingle(std::sin(theta));
    scratch.tt = toSingle(std::tan(theta));

    const float u3 = next();
    const float u4 = next();
    scratch.x = 2.0 - 4.0 * u3;
    scratch.y = 2.0 - 4.0 * u4;
    return scratch;
}

// The segments of one scratch in order: colour() for the segment that starts
// at the current point, then line() for it, which moves on to its end.
class ScratchWalk {
public:
    ScratchWalk(const Scratch& scratch, const SegmentRules& rules)
        : scratch_(scratch), rules_(rules), x_(scratch.x), y_(scratch.y) {}

    Colour colour() {
        const double r = std::sqrt(x_ * x_ + y_ * y_);
        const double phi = m1::polarangle(x_, y_);
        const float cphi = toSingle(std::cos(phi));
        const float sphi = toSingle(std::sin(phi));
        // Rebuilt from the polar form, so the single cphi and sphi enter every step.
        xe_ = static_cast<double>(scratch_.ct) * rules_.l + static_cast<double>(cphi) * r;
        ye_ = static_cast<double>(rules_.l) * scratch_.st + static_cast<double>(sphi) * r;
        return grey(segmentGrey(deviation(phi, scratch_.tt), rules_.a, rules_.s));
    }

    ColouredLine line(Colour colour) {
        const ColouredLine segment{toSingle(x_), toSingle(y_), toSingle(xe_), toSingle(ye_),
                                   colour};
        x_ = xe_;
        y_ = ye_;
        return segment;
    }

private:
    Scratch scratch_;
    SegmentRules rules_;
    double x_, y_;
    double xe_ = 0.0, ye_ = 0.0;
};

} // namespace vorlane::sim
