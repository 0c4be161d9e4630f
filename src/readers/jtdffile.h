// The dynamic trace reader: binds file numbers, follows instance and method
// contexts and records every result on its static node or on a copy of it
// under the context in which it ran.
#pragma once

#include <cstddef>
#include <cstdint>
#include "readers/trace_stream.h"
#include "tree/tree.h"

enum ResultKind {
    RESULT_NONE = 0,
    RESULT_EXECUTED = 1,
    RESULT_FAILED = 2,
    RESULT_PASSED = 3,
    RESULT_ENTRY = 5,
};

enum DynamicRecordKind {
    DYNAMIC_IGNORED = 0,
    DYNAMIC_SF = 1,
    DYNAMIC_CS = 2,
    DYNAMIC_NI = 3,
    DYNAMIC_ST = 4,
    DYNAMIC_NO_WITH_ID = 5,
    DYNAMIC_CI = 6,
    DYNAMIC_GL = 7,
    DYNAMIC_ME = 8,
    DYNAMIC_MR = 9,
    DYNAMIC_NO_TEXT_ONLY = 10,
};

struct DynamicRecord {
    int kind;
    uint32_t numbers[3];
    char *text;  // decoded, owned, or null
};

// A "NO" record as read, before its text is decoded: the reader decodes a
// text only where it is kept (on a Print), since decoding costs more than
// reading and most notes land on checks.
struct RawNote {
    int kind;              // DYNAMIC_NO_WITH_ID, DYNAMIC_NO_TEXT_ONLY or DYNAMIC_IGNORED
    uint32_t identifier;
    const char *raw_text;  // the part of the line that is decoded, or null
};
// Splits the rest of a "NO" line (NUL-terminated, as read up to the line end).
RawNote split_note(const char *rest);

// Off by default: only Print nodes keep the messages of "NO" records, so that
// memory follows the size of the tree rather than the length of the trace.
// On, every check node keeps its own messages too (for a viewer that shows
// why a check failed); the results file never shows them.
void keep_check_messages(bool keep);

int result_kind_of(uint32_t status_code);
DynamicRecord read_dynamic_record(TraceStream *stream);
void apply_result(TestNode *node, int kind);

// 0 when read to its end, -1 when it cannot be opened or read.
int read_dynamic_trace(const char *path);
int read_dynamic_stream(TraceStream *stream);
