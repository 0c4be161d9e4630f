// A buffered byte stream with the end-of-file semantics of a C stream: the
// end-of-file flag is set only after a read has tried to go past the end, so
// a reader testing it before each record sees one more, empty, record after
// the last line. Reads go through one large buffer, not one call per byte.
#pragma once

#include <cstddef>

// The fields are visible only so that trace_getc can be inlined into the
// scanning loops; everything else goes through the functions below.
struct TraceStream {
    int descriptor;          // -1 for a memory stream
    unsigned char *buffer;   // owned
    size_t capacity;
    const unsigned char *position;
    const unsigned char *end;
    bool at_end;
    bool failed;
    bool held_cr;  // a CR read last, not yet in the buffer (see trace_refill)
};

// Null when the path cannot be opened for reading or names a directory.
TraceStream *trace_open(const char *path);
// A stream over bytes in memory (tests, fuzzing); the bytes are copied.
TraceStream *trace_open_memory(const char *data, size_t size);
void trace_close(TraceStream *stream);

// Refills the buffer and returns its first byte, or -1 with the end-of-file
// flag set (and the error flag too on a read error).
int trace_refill(TraceStream *stream);

// Next byte as an unsigned char value, or -1 (EOF) with the end-of-file flag
// set. A read error also ends the stream and sets the error flag.
inline int trace_getc(TraceStream *stream)
{
    if (stream->position < stream->end)
        return *stream->position++;
    return trace_refill(stream);
}

// Whether unread bytes are in the buffer [position, end), refilling it when
// it is used up; false at the end of the stream (the flag is then set as by
// trace_getc). For scanners that work on whole buffer runs.
inline bool trace_more(TraceStream *stream)
{
    if (stream->position < stream->end)
        return true;
    if (trace_refill(stream) < 0)
        return false;
    --stream->position;  // trace_refill consumed the first byte: put it back
    return true;
}

bool trace_eof(const TraceStream *stream);
bool trace_error(const TraceStream *stream);
