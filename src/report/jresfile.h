// The results document: frame, report information with summary counts, and
// one section per reportable Test Driver, newest file section first.
#pragma once

#include "tree/tree.h"

enum WriteResult {
    WRITE_OK = 0,
    WRITE_OPEN_FAILED = -1,   // nothing written
    WRITE_STREAM_FAILED = -2, // opened, but a write or the close failed
};

struct VerdictTotals {
    int32_t passed;
    int32_t failed;
};

int write_results_file(const char *path);
void count_verdicts(TestNode *node, VerdictTotals *totals);
