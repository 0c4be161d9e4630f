// A text_sink that packs what goes through it: the bytes are compressed as a
// zlib stream (what a browser's DecompressionStream('deflate') inflates) and
// the compressed bytes are written to the page as base64, so that a run of
// any size travels in the page as a few text nodes instead of markup. Bytes
// are compressed in blocks as they come; nothing is held but one block.
#pragma once

#include "text_sink.h"

#include <memory>

struct packed_sink_state;

struct packed_sink {
    text_sink input;  // write JSON here with the sink_* functions
    std::shared_ptr<packed_sink_state> state;
};

// Starts a packed stream whose base64 goes to out.
void packed_open(packed_sink &packed, text_sink &out);

// Compresses what is left, ends the zlib stream and writes the last base64.
void packed_close(packed_sink &packed);
