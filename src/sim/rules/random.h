// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <random>

namespace vorlane::sim {

// One stream of single-precision numbers uniformly distributed in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
    // Moves on by count numbers, as count calls of next() would.
    virtual void skip(std::uint64_t count) {
        for (; count > 0; --count)
            next();
    }
    // A copy that goes on from the same position, so that a drawing can read
    // ahead; nullptr when the stream cannot be copied.
    virtual std::unique_ptr<RandomSource> clone() const { return nullptr; }
};

// The program's stream: std::mt19937 from a fixed seed, whose sequence the
// C++ standard fixes, so every start of the program draws the same pictures.
// Each number takes the top 24 bits of one output, so it is an exact single.
class Mt19937Source final : public RandomSource {
public:
    static constexpr std::uint32_t kSeed = 5489u;

    float next() override { return static_cast<float>(engine_() >> 8) * 0x1p-24f; }
    // Regenerates the state 624 outputs at a time without tempering or
    // converting any: a few milliseconds for the millions of numbers of a
    // thousand default pictures. A jump by polynomial arithmetic, which this
    // linear generator allows, costs tens of milliseconds whatever the count,
    // so it would pay only beyond about a hundred million numbers.
    void skip(std::uint64_t count) override { engine_.discard(count); }
    std::unique_ptr<RandomSource> clone() const override {
        return std::make_unique<Mt19937Source>(*this);
    }

private:
    std::mt19937 engine_{kSeed};
};

} // namespace vorlane::sim
