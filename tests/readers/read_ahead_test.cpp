// Reading ahead on a second thread: every batch reaches apply in order and
// whole, finished exactly once, whichever thread finishes it. The reading
// side is made slow for a while and then the applying side, so that both
// threads take the finishing step.
#include "readers/read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

struct CountingBatch {
    std::vector<int> numbers;
    int finished = 0;  // times the finishing step ran on it
    bool finished_on_reader = false;

    void clear()
    {
        numbers.clear();
        finished = 0;
        finished_on_reader = false;
    }
};

}  // namespace

TEST(ReadAhead, EveryBatchFinishedOnceBeforeItIsApplied)
{
    const int batches = 60, per_batch = 50;
    const std::thread::id applying = std::this_thread::get_id();
    std::atomic<int> filled{0};
    int next = 0, on_reader = 0, on_applier = 0;
    std::vector<int> applied;
    read_ahead<CountingBatch>(
        [&](CountingBatch &batch) {
            // Slow reading first: the applying thread waits and finishes;
            // then fast reading: batches wait and the reader finishes.
            if (filled < batches / 3)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            EXPECT_TRUE(batch.numbers.empty());
            for (int i = 0; i < per_batch; ++i)
                batch.numbers.push_back(next++);
            return ++filled < batches;
        },
        [&](CountingBatch &batch) {
            ++batch.finished;
            batch.finished_on_reader = std::this_thread::get_id() != applying;
        },
        [&](const CountingBatch &batch) {
            EXPECT_EQ(batch.finished, 1);
            (batch.finished_on_reader ? on_reader : on_applier) += 1;
            if (filled > batches / 3)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            applied.insert(applied.end(), batch.numbers.begin(), batch.numbers.end());
        });
    ASSERT_EQ(applied.size(), static_cast<size_t>(batches * per_batch));
    for (int i = 0; i < batches * per_batch; ++i)
        ASSERT_EQ(applied[i], i);
    EXPECT_GT(on_reader, 0);
    EXPECT_GT(on_applier, 0);
}
