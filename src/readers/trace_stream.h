// A buffered byte stream with the end-of-file semantics of a C stream: the
// end-of-file flag is set only after a read has tried to go past the end, so
// a reader testing it before each record sees one more, empty, record after
// the last line. Reads go through one large buffer, not one call per byte.
#pragma once

#include <cstddef>

struct TraceStream;

// Null when the path cannot be opened for reading or names a directory.
TraceStream *trace_open(const char *path);
// A stream over bytes in memory (tests, fuzzing); the bytes are copied.
TraceStream *trace_open_memory(const char *data, size_t size);
void trace_close(TraceStream *stream);

// Next byte as an unsigned char value, or -1 (EOF) with the end-of-file flag
// set. A read error also ends the stream and sets the error flag.
int trace_getc(TraceStream *stream);
bool trace_eof(const TraceStream *stream);
bool trace_error(const TraceStream *stream);
