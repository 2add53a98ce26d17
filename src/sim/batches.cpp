#include "batches.h"

#include <algorithm>
#include <atomic>
#include <barrier>
#include <exception>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
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
constexpr int kPartsPerThread = 4;

// Where a part of a batch failed first.
struct SegmentFailure {
    std::size_t at = kNone; // the segment's index in the batch
    ErrorKind kind{};
    std::optional<Colour> colour; // when the failure came after the colour was set
};

// A scratch whose own numbers failed: the numbers it took, and the error.
struct ScratchFailure {
    std::int64_t numbers;
    ErrorKind kind;
};

class BatchDrawing {
public:
    BatchDrawing(RasterCanvas& f1, RandomSource& random, RandomSource& ahead,
                 const ScratchRules& scratchRules, const SegmentRules& segmentRules,
                 std::int64_t lines, const DrawSettings& settings)
        : f1_(f1), random_(random), ahead_(ahead), scratchRules_(scratchRules),
          segmentRules_(segmentRules), total_(lines), settings_(settings),
          workers_(std::max(1, settings.threads)) {
        scratches_.reserve(kBatchScratches);
        starts_.reserve(kBatchScratches + 1);
        segments_.reserve(kBatchSegments + kMostSegmentsOfAScratch);
    }

    void run();

private:
    bool prepare();
    void compute(int part);
    void draw(int band) const;
    bool settle();
    std::size_t firstFailure() const;
    void moveOn(std::int64_t numbers);

    RasterCanvas& f1_;
    RandomSource& random_;
    RandomSource& ahead_;
    const ScratchRules scratchRules_;
    const SegmentRules segmentRules_;
    const std::int64_t total_;
    const DrawSettings& settings_;
    int workers_; // threads drawing, the calling one among them

    std::int64_t done_ = 0; // scratches drawn in earlier batches
    // The batch: its scratches, the index of each one's first segment (and
    // the end), and the segments.
    std::vector<Scratch> scratches_;
    std::vector<std::size_t> starts_;
    std::vector<ColouredLine> segments_;
    std::optional<ScratchFailure> scratchFailure_; // of the scratch after the batch
    std::vector<SegmentFailure> failures_;         // one a part
    // The parts of a batch's scratches, and the next part and band of rows
    // that no thread has taken yet.
    int parts_ = 1;
    std::atomic<int> nextPart_ = 0;
    std::atomic<int> nextBand_ = 0;
    std::optional<ErrorKind> error_;
};

void BatchDrawing::run() {
    std::barrier<> sync(workers_);
    bool stop = false;
    std::exception_ptr thrown;
    // The calling thread's steps between batches; whatever they throw waits
    // until the helpers have ended.
    const auto onCallingThread = [&](bool (BatchDrawing::*step)()) {
        try {
            stop = stop || !(this->*step)();
        } catch (...) {
            thrown = std::current_exception();
            stop = true;
        }
    };
    // Each thread takes parts of the scratches until none is left, so a
    // thread that the system holds back delays only the part in its hands,
    // then bands of rows, one a thread: each band goes through every line,
    // so more bands would cost more than they balance. At each barrier every
    // thread waits for all, so a step sees all of the last.
    const auto cycle = [&] {
        for (int part; (part = nextPart_.fetch_add(1, std::memory_order_relaxed)) < parts_;)
            compute(part);
        sync.arrive_and_wait();
        for (int band; (band = nextBand_.fetch_add(1, std::memory_order_relaxed)) < workers_;)
            draw(band);
        sync.arrive_and_wait();
    };
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(static_cast<std::size_t>(workers_ - 1));
        for (int worker = 1; worker < workers_; ++worker) {
            try {
                helpers.emplace_back([&] {
                    for (;;) {
                        sync.arrive_and_wait();
                        if (stop)
                            return;
                        cycle();
                    }
                });
            } catch (const std::system_error&) {
                // Fewer threads share the work; the picture stays the same.
                for (int missing = worker; missing < workers_; ++missing)
                    sync.arrive_and_drop();
                workers_ = worker;
            }
        }
        // One thread takes the batch whole: parts would only cost.
        parts_ = workers_ == 1 ? 1 : kPartsPerThread * workers_;
        failures_.resize(static_cast<std::size_t>(parts_));
        for (;;) {
            onCallingThread(&BatchDrawing::prepare);
            sync.arrive_and_wait();
            if (stop)
                break;
            cycle();
            onCallingThread(&BatchDrawing::settle);
        }
    }
    if (thrown)
        std::rethrow_exception(thrown);
    if (error_)
        raise(*error_);
}

// The next batch's scratches from their numbers, read ahead; false when there
// is nothing left to do.
bool BatchDrawing::prepare() {
    scratches_.clear();
    starts_.assign(1, 0);
    while (done_ + static_cast<std::int64_t>(scratches_.size()) < total_ &&
           scratches_.size() < kBatchScratches && starts_.back() < kBatchSegments) {
        std::int64_t numbers = 0;
        const auto next = [&] {
            ++numbers;
            return ahead_.next();
        };
        try {
            scratches_.push_back(makeScratch(next, scratchRules_));
        } catch (const RuntimeError& e) {
            scratchFailure_ = ScratchFailure{numbers, e.kind()};
            break;
        }
        starts_.push_back(starts_.back() +
                          static_cast<std::size_t>(std::max<int>(0, scratches_.back().n)));
    }
    segments_.resize(starts_.back());
    nextPart_ = 0;
    nextBand_ = 0;
    return !scratches_.empty() || scratchFailure_;
}

// The segments of the scratches of one part, split by segments at scratch
// boundaries; stops at the part's first failure.
void BatchDrawing::compute(int part) {
    const auto boundary = [&](int p) {
        if (p == parts_)
            return scratches_.size();
        const std::size_t target =
            starts_.back() * static_cast<std::size_t>(p) / static_cast<std::size_t>(parts_);
        return static_cast<std::size_t>(
            std::lower_bound(starts_.begin(), starts_.end() - 1, target) - starts_.begin());
    };
    SegmentFailure& failure = failures_[part];
    failure = {};
    const std::size_t end = boundary(part + 1);
    for (std::size_t i = boundary(part); i < end; ++i) {
        ScratchWalk walk(scratches_[i], segmentRules_);
        std::size_t k = starts_[i];
        Colour colour = 0;
        bool coloured = false;
        try {
            for (; k < starts_[i + 1]; ++k) {
                coloured = false;
                colour = walk.colour();
                coloured = true;
                segments_[k] = walk.line(colour);
            }
        } catch (const RuntimeError& e) {
            failure.at = k;
            failure.kind = e.kind();
            if (coloured)
                failure.colour = colour;
            return;
        }
    }
}

std::size_t BatchDrawing::firstFailure() const {
    std::size_t first = kNone;
    for (const SegmentFailure& failure : failures_)
        first = std::min(first, failure.at);
    return first;
}

// Every line of the batch up to the first failure, in one band of rows.
void BatchDrawing::draw(int band) const {
    const auto row = [&](int b) {
        return static_cast<int>(static_cast<std::int64_t>(f1_.heightPixels()) * b / workers_);
    };
    const std::size_t count = std::min(firstFailure(), segments_.size());
    f1_.drawBand({segments_.data(), count}, {row(band), row(band + 1)});
}

// After a batch: the canvas's state, the stream's position and the report;
// false when the drawing ends.
bool BatchDrawing::settle() {
    const std::size_t failedAt = firstFailure();
    const std::size_t drawn = std::min(failedAt, segments_.size());
    if (drawn > 0)
        f1_.bandsDrawn(segments_[drawn - 1]);
    if (failedAt != kNone) {
        const auto& failure = *std::find_if(failures_.begin(), failures_.end(),
                                            [&](const auto& f) { return f.at == failedAt; });
        if (failure.colour)
            f1_.setForeColor(*failure.colour);
        // The scratches that took their numbers: up to the failing one, the
        // last whose first segment is not after the failure.
        const auto taken =
            std::upper_bound(starts_.begin(), starts_.end() - 1, failedAt) - starts_.begin();
        moveOn(kNumbersPerScratch * taken);
        error_ = failure.kind;
        return false;
    }
    const auto batch = static_cast<std::int64_t>(scratches_.size());
    moveOn(kNumbersPerScratch * batch);
    done_ += batch;
    if (scratchFailure_) {
        moveOn(scratchFailure_->numbers);
        error_ = scratchFailure_->kind;
        return false;
    }
    if (settings_.progress)
        settings_.progress(done_, total_);
    return done_ < total_;
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
