// Writing a results stream on a second thread. For a large report the
// kernel's copying of the text into the page cache takes about as long as
// building the text; handing full chunks to a writer thread lets the two
// overlap. Bytes reach the stream in the order they were given.
//
// Nothing changes for a small report: the thread starts only once the first
// chunk (1 MiB) is full; before that, and for everything when it never
// fills, the bytes are written on the calling thread at the end.
//
// Errors are left on the stream, as fwrite leaves them: the caller looks at
// ferror(stream) after background_writer_end.
#pragma once

#include "report/markup.h"

#include <cstddef>
#include <cstdio>

// From now on, bytes for stream given to background_writer_take are queued.
// in_place: the stream writes over an existing file (see start_writeback).
void background_writer_begin(FILE *stream, bool in_place);
// Queues a copy of the bytes when stream is the one begun; false otherwise
// (the caller writes them itself).
bool background_writer_take(FILE *stream, const char *bytes, size_t length);
// Queues the bytes as they are, after the chunk being filled, and leaves an
// empty buffer in their place: for a caller that built a chunk's worth or
// more in a buffer of its own. False, with nothing done, when stream is not
// the one begun, the bytes are few or there is no thread (the caller writes
// them itself).
bool background_writer_give(FILE *stream, Markup &bytes);
// The chunk being filled for stream, for a caller that builds its bytes in
// place instead of copying them in through background_writer_take; null when
// stream is not the one begun. The caller calls background_writer_filled
// after each piece it appends, and may append nothing else in between.
Markup *background_writer_chunk(FILE *stream);
// Hands the chunk over once it holds a chunk's worth of bytes.
void background_writer_filled();
// Writes whatever is still queued, waits for the thread and forgets stream.
void background_writer_end();
