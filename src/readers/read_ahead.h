// Reading a trace on a second thread while its records are applied on this
// one. On large traces reading a record (scanning, parsing numbers, decoding
// texts) costs about as much as applying it to the tree, and applying must
// happen in order on one thread; the two overlap through batches of records
// handed over in order by a short queue.
//
// fill(batch) appends the next records to an empty batch and returns false
// once the stream is at its end (that batch may still hold records);
// apply(batch) applies a batch; finish_batch(batch), between them, may run
// on either thread (see below). A Batch has clear(). When no thread can be
// started, all three run in turn on the calling thread.
#pragma once

#include "diagnostics/byte_buffer.h"
#include "diagnostics/threads.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

// The texts of a batch of records, one buffer for all: a record keeps an
// offset, so that a batch is a few blocks however many texts it carries and
// nothing allocated on one thread is freed on the other. Readers append each
// text followed by a NUL.
struct BatchTexts {
    static constexpr uint32_t none = UINT32_MAX;
    ByteBuffer bytes;

    void clear() { bytes.clear(); }
    const char *at(uint32_t offset) const { return offset == none ? nullptr : bytes.data() + offset; }
};

// The records of a batch, in room kept from batch to batch. A record is taken
// without being cleared first, since every reader writes a record whole as
// soon as it takes it: a std::vector would zero each one and then have it
// written again, and taking a record is part of every line read.
template <typename Record>
class RecordSlots {
    static_assert(std::is_trivially_copyable<Record>::value, "records are moved as bytes");

public:
    RecordSlots() = default;
    RecordSlots(RecordSlots &&other) noexcept { swap(other); }
    RecordSlots &operator=(RecordSlots &&other) noexcept
    {
        RecordSlots taken(std::move(other));
        swap(taken);
        return *this;
    }
    void swap(RecordSlots &other) noexcept
    {
        std::swap(slots_, other.slots_);
        std::swap(count_, other.count_);
        std::swap(capacity_, other.capacity_);
    }

    Record &emplace_back()
    {
        if (count_ == capacity_)
            reserve(capacity_ < 16 ? 16 : 2 * capacity_);
        return slots_[count_++];
    }
    void push_back(const Record &record) { emplace_back() = record; }
    void pop_back() { --count_; }
    void clear() { count_ = 0; }
    void reserve(size_t capacity)
    {
        if (capacity <= capacity_)
            return;
        std::unique_ptr<Record[]> larger(new Record[capacity]);
        if (count_)
            std::memcpy(static_cast<void *>(larger.get()), slots_.get(), count_ * sizeof(Record));
        slots_ = std::move(larger);
        capacity_ = capacity;
    }

    // Room for capacity records in all, for a caller that fills slots
    // [size(), ...) itself and then sets the count (set_size).
    Record *room(size_t capacity)
    {
        reserve(capacity);
        return slots_.get();
    }
    void set_size(size_t count) { count_ = count; }

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    Record &operator[](size_t i) { return slots_[i]; }
    const Record &operator[](size_t i) const { return slots_[i]; }

private:
    std::unique_ptr<Record[]> slots_;
    size_t count_ = 0;
    size_t capacity_ = 0;
};

// A batch of prepared records of one reader, with their texts.
template <typename Record>
struct RecordBatchOf {
    RecordSlots<Record> records;
    BatchTexts texts;

    void clear()
    {
        records.clear();
        texts.clear();
    }
};

// Full batches waiting: bounds memory. Readers make batches of some
// thousands of records, so that the threads hand over, and wait for each
// other, rarely: each hand-over costs a wake-up and the batch's records and
// texts moving to the other processor's cache.
const size_t read_ahead_most_waiting = 2;

// The readers read this many records (4096 unless set) on their own thread
// before they hand the rest of a trace to read_ahead: small traces never
// start a thread. Tests set it low to take the threaded path with small
// traces.
size_t read_ahead_after();
void set_read_ahead_after(size_t records);

// finish_batch is a step that either thread may take: it runs once on every
// batch, after fill and before apply, and must give the same batch on either
// thread. The reading thread takes it when the applying thread has a batch
// waiting already, so that reading keeps ahead; a batch that the applying
// thread would wait for is handed over unfinished and finished there. The
// two threads' shares of the work then even out, whichever of them the
// machine runs faster at the time.
template <typename Batch, typename Fill, typename FinishBatch, typename Apply>
void read_ahead(Fill fill, FinishBatch finish_batch, Apply apply)
{
    struct Handed {
        Batch batch;
        bool finished;
    };
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Handed> full;  // oldest first
    std::vector<Batch> spare;
    bool done = false;

    auto read_batches = [&] {
        Batch batch;
        for (;;) {
            const bool more = fill(batch);
            std::unique_lock<std::mutex> guard(lock);
            const bool finished = !full.empty();
            if (finished) {
                guard.unlock();
                finish_batch(batch);
                guard.lock();
            }
            changed.wait(guard, [&] { return full.size() < read_ahead_most_waiting; });
            full.push_back({std::move(batch), finished});
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
            finish_batch(batch);
            apply(batch);
            batch.clear();
        }
        return;
    }

    Batch batch;
    for (;;) {
        bool last, finished;
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [&] { return !full.empty(); });
            batch.clear();
            spare.push_back(std::move(batch));
            batch = std::move(full.front().batch);
            finished = full.front().finished;
            full.pop_front();
            last = done && full.empty();
            changed.notify_all();
        }
        if (!finished)
            finish_batch(batch);
        apply(batch);
        if (last)
            break;
    }
    reader.join();
}
