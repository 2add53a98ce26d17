// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing's guarded maths on any point, direction and quotient within the
// drawing's ranges gives the correctly rounded rule's singles, greys and
// errors, bit for bit, and two walks in the lanes of a pair what each gives
// alone.
#include "require.h"
#include "samerounding.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

using namespace vorlane::sim;
using namespace vorlane::sim::testing;

namespace {

// The input's bytes read in turn, zeros once they run out.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <typename T> T next() {
        unsigned char bytes[sizeof(T)] = {};
        for (std::size_t i = 0; i < sizeof(T) && at_ < size_; ++i)
            bytes[i] = data_[at_++];
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

bool withinSingles(double v) {
    return std::fabs(v) <= std::numeric_limits<float>::max();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    m1::setconstants();
    Reader in(data, size);
    const auto x = in.next<double>();
    const auto y = in.next<double>();
    if (withinSingles(x) && withinSingles(y))
        require(samePolar(x, y), "polar values as the reference's");

    const auto theta = in.next<double>();
    if (std::fabs(theta) <= 16.0)
        require(sameDirection(theta), "direction as the reference's");

    const auto a = in.next<float>();
    const auto s = in.next<std::int16_t>();
    const auto tphi = in.next<float>();
    const auto tt = in.next<float>();
    const auto q = in.next<double>();
    if (std::isfinite(a)) {
        const SegmentRules rules = rulesFor(a, s);
        if (std::isfinite(tphi) && std::isfinite(tt))
            require(sameGrey(tphi, tt, rules), "grey as the reference's");
        if (std::isfinite(q))
            require(sameQuotientGrey(q, rules), "grey of a quotient as the reference's");
    }

    // Two scratches from two more points walked in the lanes of a pair, in
    // the directions of theta and of -theta.
    const auto x2 = in.next<double>();
    const auto y2 = in.next<double>();
    if (withinSingles(x) && withinSingles(y) && withinSingles(x2) && withinSingles(y2) &&
        std::fabs(theta) <= 16.0 && std::isfinite(a)) {
        const SegmentRules rules = rulesFor(a, s);
        ScratchWalk<> first(scratchAt(2, x, y, theta), rules);
        ScratchWalk<> second(scratchAt(2, x2, y2, -theta), rules);
        for (int step = 0; step < 2; ++step) {
            const PairedStep outcome = pairedStep(first, second);
            require(outcome != PairedStep::differs, "two walks in a pair as each alone");
            if (outcome == PairedStep::failed)
                break;
        }
    }
    return 0;
}
