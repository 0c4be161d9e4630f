// Reading a trace on a second thread while its records are applied on this
// one. On large traces reading a record (scanning, parsing numbers, decoding
// texts) costs about as much as applying it to the tree, and applying must
// happen in order on one thread; the two overlap through batches of records
// handed over in order by a short queue.
//
// fill(batch) appends the next records to an empty batch and returns false
// once the stream is at its end (that batch may still hold records);
// apply(batch) applies a batch. A Batch has clear(). When no thread can be
// started, both run in turn on the calling thread.
#pragma once

#include "diagnostics/threads.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The texts of a batch of records, one string for all: a record keeps an
// offset, so that a batch is a few blocks however many texts it carries and
// nothing allocated on one thread is freed on the other. Readers append each
// text followed by a NUL.
struct BatchTexts {
    static constexpr uint32_t none = UINT32_MAX;
    std::string bytes;

    void clear() { bytes.clear(); }
    const char *at(uint32_t offset) const { return offset == none ? nullptr : bytes.data() + offset; }
};

// A batch of prepared records of one reader, with their texts.
template <typename Record>
struct RecordBatchOf {
    std::vector<Record> records;
    BatchTexts texts;

    void clear()
    {
        records.clear();
        texts.clear();
    }
};

const size_t read_ahead_most_waiting = 4;  // full batches: bounds memory

// The readers read this many records (4096 unless set) on their own thread
// before they hand the rest of a trace to read_ahead: small traces never
// start a thread. Tests set it low to take the threaded path with small
// traces.
size_t read_ahead_after();
void set_read_ahead_after(size_t records);

template <typename Batch, typename Fill, typename Apply>
void read_ahead(Fill fill, Apply apply)
{
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Batch> full;  // oldest first
    std::vector<Batch> spare;
    bool done = false;

    auto read_batches = [&] {
        Batch batch;
        for (;;) {
            const bool more = fill(batch);
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [&] { return full.size() < read_ahead_most_waiting; });
            full.push_back(std::move(batch));
            done = !more;
            batch = Batch();
            if (!spare.empty()) {
                batch = std::move(spare.back());
                spare.pop_back();
            }
            changed.notify_all();
            if (!more)
                return;
        }
    };
    std::thread reader;
    if (!try_start_thread(reader, read_batches)) {
        // No second thread to be had: read and apply in turn on this one.
        Batch batch;
        for (bool more = true; more;) {
            more = fill(batch);
            apply(batch);
            batch.clear();
        }
        return;
    }

    Batch batch;
    for (;;) {
        bool last;
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [&] { return !full.empty(); });
            batch.clear();
            spare.push_back(std::move(batch));
            batch = std::move(full.front());
            full.pop_front();
            last = done && full.empty();
            changed.notify_all();
        }
        apply(batch);
        if (last)
            break;
    }
    reader.join();
}
