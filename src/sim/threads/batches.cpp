// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "batches.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <barrier>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace vorlane::sim {

namespace {

// A batch ends once it holds this many segments or scratches, so memory stays
// bounded whatever the number of scratches.
constexpr std::size_t kBatchSegments = std::size_t{1} << 14;
constexpr std::size_t kBatchScratches = std::size_t{1} << 12;
constexpr std::size_t kMostSegmentsOfAScratch = 32767;
constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
constexpr std::int64_t kNumbersPerScratch = 4;
// Parts a thread takes on average when several share a batch.
constexpr int kPartsPerThread = 8;
// Scratches that a thread walks at once, in pairs (see walkLines()).
constexpr std::size_t kLanes = 4;
// Turns of a spin at the barrier: 0.3 to 1 ms, longer than most waits.
constexpr int kSpins = 1 << 14;

// Tells the processor that this thread spins, so that it spends less on it.
void pauseASpin() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Clears the upper halves of the vector registers. Code before the drawing
// may leave them in use (AVX instructions without a vzeroupper after them),
// and on some processors each switch between the drawing's SSE instructions
// and the maths library's AVX ones then costs some 100 ns: a lit segment of
// vorlane-render took 130 ns instead of 14 on an Intel Xeon. Once a phase,
// as the progress report runs other code in between.
void clearUpperHalves() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx"))
        asm volatile("vzeroupper");
#endif
}

// Where a part of a batch failed first.
struct SegmentFailure {
    std::size_t at = kNone; // the segment's index in the batch
    ErrorKind kind{};
    bool afterColour = false; // in line(), after the segment's colour was set
    Colour colour = 0;        // that colour
};

// The scratch after a batch, which could not be made: the numbers it took,
// the failing one included, and what was thrown.
struct ScratchFailure {
    std::int64_t numbers;
    std::exception_ptr error;
};

// Scratches with their segments: the index of each scratch's first segment
// (and the end), and each part's first failure.
struct Batch {
    std::vector<Scratch> scratches;
    std::vector<std::size_t> starts;
    // Room for the most a batch holds, left unset: compute() writes each
    // segment before anything reads it, and setting them all a batch took a
    // fiftieth of the drawing's time.
    std::unique_ptr<ColouredLine[]> segments =
        std::make_unique_for_overwrite<ColouredLine[]>(kBatchSegments + kMostSegmentsOfAScratch);
    // The terms of each segment's q, from which its colour comes.
    std::unique_ptr<DeviationTerms[]> terms =
        std::make_unique_for_overwrite<DeviationTerms[]>(kBatchSegments + kMostSegmentsOfAScratch);
    std::optional<ScratchFailure> scratchFailure;
    std::vector<SegmentFailure> failures;

    Batch() {
        scratches.reserve(kBatchScratches);
        starts.reserve(kBatchScratches + 1);
    }
    void clear() {
        scratches.clear();
        starts.assign(1, 0);
        scratchFailure.reset();
        for (SegmentFailure& failure : failures)
            failure = {};
    }
    std::size_t firstFailure() const {
        std::size_t first = kNone;
        for (const SegmentFailure& failure : failures)
            first = std::min(first, failure.at);
        return first;
    }
    // The segments to draw: all up to the first failure.
    std::size_t drawable() const { return std::min(firstFailure(), starts.back()); }
};

// Every thread, the calling one among them, runs the same loop over two
// batches c and c' that swap roles each round. A round has two phases, each
// ended by a barrier at which every thread waits for all:
//
//   phase    every thread writes           the calling thread first
//   compute  segments, terms and failures  settles c', drawn last round (the
//            of c, each thread the parts   canvas's state, the stream, the
//            left                          progress report, the end), then
//                                          reads c' afresh ahead
//   draw     pixels of c, each thread      -
//            its band of rows; then
//            segments, terms and failures
//            of c', each thread parts of it
//
// Nothing else is written during a phase. A thread done with its band takes
// parts of c' instead of waiting for the others' bands, which take unequal
// times, but leaves half of them: the calling thread settles and reads ahead
// at the start of the compute phase, and the others compute meanwhile.
// The barrier's step, on one thread once all have arrived, after the compute
// phase resets the counter of parts for c' and decides to stop from what the
// calling thread settled; every thread reads that after the barrier, so all
// leave the loop together.
class BatchDrawing {
public:
    BatchDrawing(RasterCanvas& f1, RandomSource& random, RandomSource& ahead,
                 const ScratchRules& scratchRules, const SegmentRules& segmentRules,
                 std::int64_t lines, const DrawSettings& settings)
        : f1_(f1), random_(random), ahead_(ahead), scratchRules_(scratchRules),
          segmentRules_(segmentRules), total_(lines), settings_(settings),
          threads_(std::max(1, settings.threads)),
          // One thread takes a batch whole: parts would only cost.
          parts_(threads_ == 1 ? 1 : kPartsPerThread * threads_),
          spins_(threads_ <= everyProcessor() ? kSpins : 0) {
        for (Batch& batch : batches_) {
            batch.failures.resize(static_cast<std::size_t>(parts_));
            batch.clear();
        }
    }

    void run();

private:
    struct AtBarrier {
        BatchDrawing* drawing;
        void operator()() noexcept { drawing->atBarrier(); }
    };
    using Sync = std::barrier<AtBarrier>;

    void loop(int thread, Sync& sync) noexcept;
    void atBarrier() noexcept;
    void wait(Sync& sync) noexcept;
    void settleAndReadAhead(Batch& drawn, const Batch& computing);
    void prepare(Batch& batch);
    void computeParts(Batch& batch, int until);
    void compute(Batch& batch, int part);
    void walkLines(Batch& batch, std::size_t first, std::size_t last,
                   SegmentFailure& failure) const;
    void draw(const Batch& batch, int band) const;
    void settle(const Batch& batch);
    void moveOn(std::int64_t numbers);

    RasterCanvas& f1_;
    RandomSource& random_;
    RandomSource& ahead_;
    const ScratchRules scratchRules_;
    const SegmentRules segmentRules_;
    const std::int64_t total_;
    const DrawSettings& settings_;
    // The threads asked for, the calling one among them; the scratches of a
    // batch fall into parts.
    const int threads_;
    const int parts_;
    // Turns of a spin at the barrier, none where the threads outnumber the
    // processors: there a spinning thread would hold up the one it waits for.
    const int spins_;
    // The threads that run, set before they draw: the rows fall into as many
    // bands, one a thread.
    int bands_ = 1;

    Batch batches_[2];
    // Written by the calling thread alone.
    std::int64_t prepared_ = 0; // scratches read into batches
    std::int64_t done_ = 0;     // scratches drawn and settled
    bool ended_ = false;        // the last batch is settled, or one failed
    std::exception_ptr thrown_; // what ended the drawing
    // Written at the barriers alone.
    bool drawing_ = false; // the phase that ends at the next barrier
    bool stop_ = false;
    // The next part that no thread has taken yet.
    std::atomic<int> nextPart_ = 0;
    // Steps of the barrier so far, which a waiting thread watches.
    std::atomic<unsigned> rounds_ = 0;
};

void BatchDrawing::run() {
    prepare(batches_[0]);
    Sync sync(threads_, AtBarrier{this});
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(static_cast<std::size_t>(threads_ - 1));
        for (int started = 1; started < threads_; ++started) {
            try {
                helpers.emplace_back([&, started] { loop(started, sync); });
            } catch (const std::system_error&) {
                // Fewer threads share the parts and bands; the picture stays the same.
                for (int missing = started; missing < threads_; ++missing)
                    sync.arrive_and_drop();
                break;
            }
        }
        bands_ = static_cast<int>(helpers.size()) + 1;
        loop(0, sync);
    }
    if (thrown_)
        std::rethrow_exception(thrown_);
}

// Thread 0 is the calling one. Threads take parts as they come free, so one
// that the system holds back delays only what it has in hand. Each draws its
// own band of rows, whose pixels then stay in its processor's cache; more
// bands would cost more than they balance, as each goes through every line.
// Nothing here throws but what compute() catches.
void BatchDrawing::loop(int thread, Sync& sync) noexcept {
    for (int c = 0;; c ^= 1) {
        Batch& batch = batches_[c];
        if (thread == 0)
            settleAndReadAhead(batches_[c ^ 1], batch);
        clearUpperHalves();
        computeParts(batch, parts_);
        wait(sync);
        if (stop_)
            return;
        clearUpperHalves();
        draw(batch, thread);
        computeParts(batches_[c ^ 1], parts_ / 2);
        wait(sync);
    }
}

// A thread that sleeps at the barrier wakes some 0.1 to 1 ms after the last
// one arrives (longer when another process took its processor), which is
// about as long as a phase: it spins a while first. The barrier still orders
// the phases; the spin only ends once its step ran.
void BatchDrawing::wait(Sync& sync) noexcept {
    const unsigned round = rounds_.load(std::memory_order_relaxed);
    Sync::arrival_token token = sync.arrive();
    for (int spin = 0; spin < spins_ && rounds_.load(std::memory_order_relaxed) == round; ++spin)
        pauseASpin();
    sync.wait(std::move(token));
}

void BatchDrawing::atBarrier() noexcept {
    rounds_.fetch_add(1, std::memory_order_relaxed);
    if (!drawing_) {
        nextPart_.store(0, std::memory_order_relaxed);
        stop_ = ended_;
    }
    drawing_ = !drawing_;
}

// The calling thread's steps in the compute phase of `computing`.
void BatchDrawing::settleAndReadAhead(Batch& drawn, const Batch& computing) {
    try {
        settle(drawn);
    } catch (...) {
        thrown_ = std::current_exception();
        ended_ = true;
    }
    if (ended_)
        return;
    drawn.clear();
    if (!computing.scratchFailure)
        prepare(drawn);
}

// The batch's scratches from their numbers, read ahead; whatever a scratch
// throws, the stream's failure included, ends the batch.
void BatchDrawing::prepare(Batch& batch) {
    while (prepared_ < total_ && batch.scratches.size() < kBatchScratches &&
           batch.starts.back() < kBatchSegments) {
        std::int64_t numbers = 0;
        const auto next = [&] {
            ++numbers;
            return ahead_.next();
        };
        try {
            const Scratch scratch = makeScratch(next, scratchRules_);
            batch.starts.push_back(batch.starts.back() +
                                   static_cast<std::size_t>(std::max<int>(0, scratch.n)));
            batch.scratches.push_back(scratch);
        } catch (...) {
            batch.scratchFailure = ScratchFailure{numbers, std::current_exception()};
            break;
        }
        ++prepared_;
    }
}

// Parts of the batch that no thread has taken yet, one at a time, until
// about `until` of them are taken: every part taken is computed, so two
// threads may pass that number by one each.
void BatchDrawing::computeParts(Batch& batch, int until) {
    for (int part; nextPart_.load(std::memory_order_relaxed) < until &&
                   (part = nextPart_.fetch_add(1, std::memory_order_relaxed)) < parts_;)
        compute(batch, part);
}

// A scratch that a part walks: its walk and the batch's indices of the
// segment it is at and of its end; it holds none when they are equal.
struct Lane {
    ScratchWalk<> walk{Scratch{}, SegmentRules{}};
    std::size_t k = 0, end = 0;

    std::size_t left() const { return end - k; }

    // Keeps a segment's terms and line, worked out elsewhere, and moves on.
    void keep(Batch& batch, const DeviationTerms& terms, const ColouredLine& line) {
        batch.terms[k] = terms;
        batch.segments[k++] = line;
    }

    // One segment's line and terms, its colour left for later; false where
    // it fails, which `failure` then holds unless it holds an earlier one,
    // and the lane is left empty.
    bool step(Batch& batch, SegmentFailure& failure) {
        bool termed = false;
        try {
            batch.terms[k] = walk.terms();
            termed = true;
            batch.segments[k] = walk.line(0);
            ++k;
            return true;
        } catch (const RuntimeError& e) {
            if (k < failure.at)
                failure = {k, e.kind(), termed};
            end = k;
            return false;
        }
    }
};

// One segment of each of two lanes, in the lanes of their pair where it can
// be, else each alone.
bool stepBoth(WalkPair& pair, Lane& a, Lane& b, Batch& batch, SegmentFailure& failure) {
    DeviationTerms terms[2];
    ColouredLine lines[2];
    if (!pair.step(terms, lines)) [[unlikely]] {
        pair.leave();
        const bool stepped = a.step(batch, failure);
        const bool both = b.step(batch, failure) && stepped;
        pair.join();
        return both;
    }
    a.keep(batch, terms[0], lines[0]);
    b.keep(batch, terms[1], lines[1]);
    return true;
}

// The segments of the scratches of one part, split by segments at scratch
// boundaries, up to the part's first failure: first their lines, then their
// colours.
void BatchDrawing::compute(Batch& batch, int part) {
    const auto boundary = [&](int p) {
        if (p == parts_)
            return batch.scratches.size();
        const std::size_t target =
            batch.starts.back() * static_cast<std::size_t>(p) / static_cast<std::size_t>(parts_);
        return static_cast<std::size_t>(
            std::lower_bound(batch.starts.begin(), batch.starts.end() - 1, target) -
            batch.starts.begin());
    };
    const std::size_t first = boundary(part);
    const std::size_t last = boundary(part + 1);
    SegmentFailure& failure = batch.failures[part];
    walkLines(batch, first, last, failure);
    // A failure in line() comes after the segment's colour, which may fail first.
    const std::size_t end = std::min(failure.at, batch.starts[last]);
    const std::size_t coloured = failure.afterColour ? end + 1 : end;
    for (std::size_t k = batch.starts[first]; k < coloured; ++k) {
        try {
            const Colour colour = segmentColour(batch.terms[k], segmentRules_);
            if (k < end)
                batch.segments[k].colour = colour;
            else
                failure.colour = colour;
        } catch (const RuntimeError& e) {
            failure = {k, e.kind()};
            return;
        }
    }
}

// The lines and terms of scratches first to last (indices), up to their
// first failure. Each segment hangs on the one before through a root and
// divisions, so a lone scratch would leave the processor waiting on them:
// kLanes scratches are walked at once, and a lane whose scratch ends takes
// the next. Nothing at or after a failure is drawn, so a lane stops there,
// and one that fails first in time may be passed by an earlier failure.
void BatchDrawing::walkLines(Batch& batch, std::size_t first, std::size_t last,
                             SegmentFailure& failure) const {
    std::size_t next = first;
    std::array<Lane, kLanes> lanes;
    for (;;) {
        std::size_t together = kMostSegmentsOfAScratch;
        Lane* alone = nullptr;
        for (Lane& lane : lanes) {
            lane.end = std::max(lane.k, std::min(lane.end, failure.at));
            while (lane.left() == 0 && next < last && batch.starts[next] < failure.at) {
                lane = {ScratchWalk<>(batch.scratches[next], segmentRules_), batch.starts[next],
                        batch.starts[next + 1]};
                ++next;
            }
            together = std::min(together, lane.left());
            if (lane.left() > 0)
                alone = &lane;
        }
        if (!alone)
            return;
        if (together == 0) {
            // The last scratches end one by one.
            while (alone->left() > 0 && alone->step(batch, failure)) {
            }
            continue;
        }
        auto pairs = [&]<std::size_t... i>(std::index_sequence<i...>) {
            return std::array{WalkPair(lanes[2 * i].walk, lanes[2 * i + 1].walk)...};
        }(std::make_index_sequence<kLanes / 2>());
        for (; together > 0; --together) {
            bool stepped = true;
            for (std::size_t i = 0; i < pairs.size(); ++i)
                stepped &= stepBoth(pairs[i], lanes[2 * i], lanes[2 * i + 1], batch, failure);
            if (!stepped)
                break;
        }
        for (WalkPair& pair : pairs)
            pair.leave();
    }
}

// Every line of the batch up to the first failure, in one band of rows.
void BatchDrawing::draw(const Batch& batch, int band) const {
    const auto row = [&](int b) {
        return static_cast<int>(static_cast<std::int64_t>(f1_.heightPixels()) * b / bands_);
    };
    f1_.drawBand({batch.segments.get(), batch.drawable()}, {row(band), row(band + 1)});
}

// After a batch was drawn: the canvas's state, the stream's position and the
// report; throws what ends the drawing there. The first round's batch holds
// nothing.
void BatchDrawing::settle(const Batch& batch) {
    if (batch.scratches.empty() && !batch.scratchFailure)
        return;
    const std::size_t drawn = batch.drawable();
    if (drawn > 0)
        f1_.bandsDrawn(batch.segments[drawn - 1]);
    const std::size_t failedAt = batch.firstFailure();
    if (failedAt != kNone) {
        const auto& failure =
            *std::find_if(batch.failures.begin(), batch.failures.end(),
                          [&](const SegmentFailure& f) { return f.at == failedAt; });
        if (failure.afterColour)
            f1_.setForeColor(failure.colour);
        // The scratches that took their numbers: up to the failing one, the
        // last whose first segment is not after the failure.
        const auto taken =
            std::upper_bound(batch.starts.begin(), batch.starts.end() - 1, failedAt) -
            batch.starts.begin();
        moveOn(kNumbersPerScratch * taken);
        raise(failure.kind);
    }
    const auto scratches = static_cast<std::int64_t>(batch.scratches.size());
    moveOn(kNumbersPerScratch * scratches);
    done_ += scratches;
    if (batch.scratchFailure) {
        // The stream fails here itself where the copy read ahead failed.
        moveOn(batch.scratchFailure->numbers);
        std::rethrow_exception(batch.scratchFailure->error);
    }
    if (settings_.progress)
        settings_.progress(done_, total_);
    ended_ = done_ >= total_;
}

void BatchDrawing::moveOn(std::int64_t numbers) {
    for (std::int64_t i = 0; i < numbers; ++i)
        random_.next();
}

} // namespace

void drawInBatches(RasterCanvas& f1, RandomSource& random, RandomSource& ahead,
                   const ScratchRules& scratchRules, const SegmentRules& segmentRules,
                   std::int64_t lines, const DrawSettings& settings) {
    BatchDrawing(f1, random, ahead, scratchRules, segmentRules, lines, settings).run();
}

} // namespace vorlane::sim
