// The trace input stream: read(2) into one large buffer, with the C stream
// end-of-file convention (the flag goes up only when a read finds nothing
// more). Memory streams hold a copy of their bytes and never refill.
//
// Traces written on Windows end their lines with CR LF. Every CR right
// before a LF is taken out as the bytes arrive, so both readers see such a
// trace exactly as its LF form; a buffer ending in CR keeps that CR back
// until the next byte shows whether a LF follows. One memchr per buffer is
// all a LF trace pays.
#include "readers/trace_stream.h"

#include "diagnostics/memory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const size_t file_buffer_size = 256 * 1024;

TraceStream *new_stream(int descriptor, size_t capacity)
{
    TraceStream *stream = static_cast<TraceStream *>(mem_alloc(sizeof(TraceStream)));
    stream->descriptor = descriptor;
    // One byte more than a read fills: room for a CR held back before it.
    stream->buffer = static_cast<unsigned char *>(mem_alloc(capacity + 1));
    stream->capacity = capacity;
    stream->position = stream->buffer;
    stream->end = stream->buffer;
    stream->at_end = false;
    stream->failed = false;
    stream->held_cr = false;
    return stream;
}

// Removes every CR that a LF follows from [begin, end); returns the new end.
// A CR standing last is kept: the caller knows what comes after it.
unsigned char *drop_cr_before_lf(unsigned char *begin, unsigned char *end)
{
    unsigned char *cr = static_cast<unsigned char *>(memchr(begin, '\r', static_cast<size_t>(end - begin)));
    if (!cr)
        return end;
    unsigned char *to = cr;
    for (unsigned char *from = cr; from < end; ++from) {
        if (*from == '\r' && from + 1 < end && from[1] == '\n')
            continue;
        *to++ = *from;
    }
    return to;
}

}  // namespace

TraceStream *trace_open(const char *path)
{
    if (!path)
        return nullptr;
    int descriptor;
    do
        descriptor = open(path, O_RDONLY | O_CLOEXEC);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        return nullptr;
    struct stat status;
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    return new_stream(descriptor, file_buffer_size);
}

TraceStream *trace_open_memory(const char *data, size_t size)
{
    TraceStream *stream = new_stream(-1, size);
    if (size)
        memcpy(stream->buffer, data, size);
    stream->end = drop_cr_before_lf(stream->buffer, stream->buffer + size);
    return stream;
}

void trace_close(TraceStream *stream)
{
    if (!stream)
        return;
    if (stream->descriptor >= 0)
        close(stream->descriptor);
    mem_free(stream->buffer);
    mem_free(stream);
}

int trace_refill(TraceStream *stream)
{
    if (stream->at_end || stream->descriptor < 0) {
        stream->at_end = true;
        return -1;
    }
    for (;;) {
        // A CR held back from the previous buffer comes first in this one.
        const size_t kept = stream->held_cr ? 1 : 0;
        stream->buffer[0] = '\r';
        ssize_t count = -1;
        if (!stream->failed) {
            do
                count = read(stream->descriptor, stream->buffer + kept, stream->capacity);
            while (count < 0 && errno == EINTR);
        }
        if (count <= 0) {
            stream->failed = stream->failed || count < 0;
            stream->held_cr = false;
            if (!kept) {
                stream->at_end = true;
                stream->position = stream->end = stream->buffer;
                return -1;
            }
            // The trace ends in CR: an ordinary last byte.
            stream->position = stream->buffer;
            stream->end = stream->buffer + 1;
            return *stream->position++;
        }
        unsigned char *end = drop_cr_before_lf(stream->buffer, stream->buffer + kept + count);
        stream->held_cr = end[-1] == '\r';
        if (stream->held_cr)
            --end;
        if (end > stream->buffer) {
            stream->position = stream->buffer;
            stream->end = end;
            return *stream->position++;
        }
        // Nothing but a CR so far: read on to see what follows it.
    }
}

bool trace_eof(const TraceStream *stream)
{
    return stream->at_end;
}

bool trace_error(const TraceStream *stream)
{
    return stream->failed;
}
