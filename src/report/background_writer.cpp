// The background writer: see background_writer.h.
#include "report/background_writer.h"

#include "diagnostics/threads.h"
#include "report/markup.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <fcntl.h>
#include <deque>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const size_t chunk_size = size_t(1) << 20;
// Room beyond a chunk for a caller that fills it directly and hands it over
// after a whole row (background_writer_chunk).
const size_t chunk_slack = size_t(64) << 10;
const size_t most_queued = 2;  // chunks waiting for the thread: bounds memory
// Every this many bytes, the thread asks the kernel to start writing back
// what it has been given (see start_writeback).
const long long writeback_step = 32LL << 20;
// A new file's blocks are reserved ahead of the bytes written to it, as far
// as it holds already, at least 1 MiB and at most 64 MiB (see reserve_ahead).
const long long least_reserve_step = 1LL << 20;
const long long most_reserve_step = 64LL << 20;

struct BackgroundWriter {
    FILE *stream = nullptr;
    Markup filling;  // the chunk being filled by the caller
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Markup> queued;  // full chunks, oldest first
    std::vector<Markup> spare;  // written chunks, for reuse
    bool ending = false;
    // Never destroyed: a run that ends early (out of memory) must not run a
    // thread object's destructor at exit.
    std::thread *thread = nullptr;
    bool no_thread = false;  // none could be started: write on the caller
    // File offsets of the bytes handed to the stream since begin, and of the
    // first byte whose writeback has not been started; -1 when the stream
    // is not a file written in place.
    long long handed = -1;
    long long unstarted = -1;
    // For a new file: the end of the bytes handed to the stream, and of its
    // blocks reserved so far; -1 when none are reserved.
    long long written = -1;
    long long reserved = -1;
};

BackgroundWriter writer;

// Starts the kernel writing back the bytes handed over so far, without
// waiting for it, for a file written in place. Otherwise its dirty pages
// all wait for the close, where the file system may write them back before
// returning (after a file was emptied and written anew, ext4 does). Done
// here, the work overlaps the building of the rest of the report. A new
// file that takes the old one's place is left to the kernel: nothing waits
// for its pages, and starting their writeback here only slowed the report
// (the thread then allocates the file's blocks and queues their writes
// itself). Nothing is promised about durability; where the call is not
// supported, nothing happens.
void start_writeback(long long written)
{
    if (writer.handed < 0)
        return;
    writer.handed += written;
    if (writer.handed - writer.unstarted < writeback_step)
        return;
#ifdef SYNC_FILE_RANGE_WRITE
    if (fflush(writer.stream) == 0)
        sync_file_range(fileno(writer.stream), writer.unstarted, writer.handed - writer.unstarted,
                        SYNC_FILE_RANGE_WRITE);
#endif
    writer.unstarted = writer.handed;
}

// Reserves a new file's blocks ahead of the bytes about to be written, with
// the file's size left alone. Otherwise ext4 reserves and maps every 4 KiB
// block of a buffered write on its own: writing a gigabyte took 0.27 s of
// processor time in the kernel, against 0.17 s into reserved blocks. Where
// the file system cannot reserve (or has no room for a whole step), the
// rest is written as before; what a failed call did reserve is still given
// back at the end.
void reserve_ahead(size_t size)
{
    if (writer.reserved < 0)
        return;
    writer.written += static_cast<long long>(size);
    if (writer.written <= writer.reserved)
        return;
    const long long from = writer.reserved;
    const long long step = std::min(std::max(writer.written, least_reserve_step), most_reserve_step);
    const long long length = writer.written - from + step;
#ifdef FALLOC_FL_KEEP_SIZE
    const bool reserved = fallocate(fileno(writer.stream), FALLOC_FL_KEEP_SIZE, from, length) == 0;
#else
    const bool reserved = false;
#endif
    writer.reserved = reserved ? from + length : LLONG_MAX;
}

// Gives back the blocks reserved past the file's end: cutting a file to the
// size it has frees them.
void release_reserved()
{
    if (writer.reserved > writer.written && fflush(writer.stream) == 0) {
        const long long end = ftello(writer.stream);
        if (end >= 0)
            (void)!ftruncate(fileno(writer.stream), end);
    }
    writer.written = -1;
    writer.reserved = -1;
}

void write_bytes(const Markup &bytes)
{
    reserve_ahead(bytes.size());
    fwrite_unlocked(bytes.data(), 1, bytes.size(), writer.stream);
}

void write_chunks()
{
    std::unique_lock<std::mutex> guard(writer.lock);
    for (;;) {
        writer.changed.wait(guard, [] { return !writer.queued.empty() || writer.ending; });
        if (writer.queued.empty())
            return;
        Markup chunk = std::move(writer.queued.front());
        writer.queued.pop_front();
        guard.unlock();
        write_bytes(chunk);
        start_writeback(static_cast<long long>(chunk.size()));
        chunk.clear();
        guard.lock();
        writer.spare.push_back(std::move(chunk));
        writer.changed.notify_all();
    }
}

// Writes the chunk being filled on the calling thread.
void write_filling_here()
{
    write_bytes(writer.filling);
    writer.filling.clear();
}

// Starts the thread on first use; false when there is none.
bool have_thread()
{
    return start_thread_once(writer.thread, writer.no_thread, write_chunks);
}

// Queues the chunk and leaves in its place an empty one (a written chunk's
// room when there is one). The lock is held.
void queue_chunk(std::unique_lock<std::mutex> &guard, Markup &chunk)
{
    writer.changed.wait(guard, [] { return writer.queued.size() < most_queued; });
    writer.queued.push_back(std::move(chunk));
    if (writer.spare.empty()) {
        chunk = Markup();
    } else {
        chunk = std::move(writer.spare.back());
        writer.spare.pop_back();
    }
    writer.changed.notify_all();
}

// Hands the filled chunk to the thread and takes an empty one.
void hand_over_filling()
{
    if (!have_thread()) {
        write_filling_here();
        return;
    }
    std::unique_lock<std::mutex> guard(writer.lock);
    queue_chunk(guard, writer.filling);
}

}  // namespace

void background_writer_begin(FILE *stream, bool in_place)
{
    writer.stream = stream;
    writer.filling.clear();
    const long long start = stream && in_place ? ftello(stream) : -1;
    writer.handed = start;
    writer.unstarted = start;
    struct stat status;
    const bool new_file = stream && !in_place && fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
    const long long position = new_file ? ftello(stream) : -1;
    writer.written = position;
    writer.reserved = position;
}

bool background_writer_take(FILE *stream, const char *bytes, size_t length)
{
    Markup *chunk = background_writer_chunk(stream);
    if (!chunk)
        return false;
    while (length > 0) {
        const size_t room = chunk_size > chunk->size() ? chunk_size - chunk->size() : 0;
        const size_t part = length < room ? length : room;
        chunk->append(bytes, part);
        bytes += part;
        length -= part;
        background_writer_filled();
    }
    return true;
}

bool background_writer_give(FILE *stream, Markup &bytes)
{
    if (!stream || stream != writer.stream || bytes.size() < chunk_size / 2 || !have_thread())
        return false;
    std::unique_lock<std::mutex> guard(writer.lock);
    if (!writer.filling.empty())
        queue_chunk(guard, writer.filling);
    queue_chunk(guard, bytes);
    return true;
}

Markup *background_writer_chunk(FILE *stream)
{
    if (!stream || stream != writer.stream)
        return nullptr;
    writer.filling.reserve(chunk_size + chunk_slack);
    return &writer.filling;
}

void background_writer_filled()
{
    if (writer.filling.size() >= chunk_size)
        hand_over_filling();
}

void background_writer_end()
{
    if (!writer.stream)
        return;
    if (writer.thread) {
        if (!writer.filling.empty())
            hand_over_filling();
        stop_thread(writer.thread, writer.lock, writer.changed, writer.ending);
    } else {
        write_filling_here();
    }
    release_reserved();
    writer.stream = nullptr;
    writer.no_thread = false;
    writer.filling = Markup();
    std::vector<Markup>().swap(writer.spare);
}
