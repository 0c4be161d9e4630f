// The trace input stream: read(2) into one large buffer, with the C stream
// end-of-file convention (the flag goes up only when a read finds nothing
// more). Memory streams hold a copy of their bytes and never refill.
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
    stream->buffer = static_cast<unsigned char *>(mem_alloc(capacity ? capacity : 1));
    stream->capacity = capacity;
    stream->position = stream->buffer;
    stream->end = stream->buffer;
    stream->at_end = false;
    stream->failed = false;
    return stream;
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
    stream->end = stream->buffer + size;
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
    ssize_t count;
    do
        count = read(stream->descriptor, stream->buffer, stream->capacity);
    while (count < 0 && errno == EINTR);
    if (count <= 0) {
        stream->at_end = true;
        stream->failed = count < 0;
        stream->position = stream->end = stream->buffer;
        return -1;
    }
    stream->position = stream->buffer;
    stream->end = stream->buffer + count;
    return *stream->position++;
}

bool trace_eof(const TraceStream *stream)
{
    return stream->at_end;
}

bool trace_error(const TraceStream *stream)
{
    return stream->failed;
}
