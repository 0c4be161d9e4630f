// The static trace reader: file sections, scopes and statements into the tree.
#pragma once

#include <cstdint>
#include "readers/trace_stream.h"

enum StaticRecordKind {
    STATIC_DB = 0,
    STATIC_SI = 1,
    STATIC_IN = 2,
    STATIC_ID = 3,
    STATIC_ED = 4,
    STATIC_OTHER = 5,
    STATIC_TX = 6,
    STATIC_SO = 7,
    STATIC_LK = 8,
    STATIC_MS = 9,
};

struct StaticRecord {
    int kind;
    uint32_t number;
    char *first_text;   // raw, owned, or null
    char *second_text;  // raw, owned, or null
    int32_t line;
    uint32_t identity_first;
    uint32_t identity_second;
};

int static_record_kind(const char *keyword);
// Reads one record; the caller releases its texts with release_static_record.
StaticRecord read_static_record(TraceStream *stream);
void release_static_record(StaticRecord *record);

// Reads the traces in turn, each to its end; counter is the running
// file-section number, advanced in place. The index of the first trace that
// cannot be opened or read (the traces before it are in the tree, and what
// was read of it), or count when all were read.
int read_static_traces(const char *const *paths, int count, int32_t *counter);
// Reads the whole file; counter is the running file-section number, advanced
// in place. 0 when read to its end, -1 when it cannot be opened or read.
int read_static_trace(const char *path, int32_t *counter);
// Same over an open stream; path is what sections without "SO" take as name.
int read_static_stream(TraceStream *stream, const char *path, int32_t *counter);
