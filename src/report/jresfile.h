// The results document: frame, report information with summary counts, and
// one section per reportable Test Driver, newest file section first.
#pragma once

#include "tree/tree.h"

#include <string>

enum WriteResult {
    WRITE_OK = 0,
    WRITE_OPEN_FAILED = -1,   // nothing written
    WRITE_STREAM_FAILED = -2, // opened, but a write, the close or the replacement failed
};

struct VerdictTotals {
    int32_t passed;
    int32_t failed;
};

int write_results_file(const char *path);
void count_verdicts(TestNode *node, VerdictTotals *totals);

// The time of generation as asctime gives it for the local time, with the
// newline cut: "Sun Dec  6 01:50:02 2026".
std::string generation_time_text();
