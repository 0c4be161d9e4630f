// Settles every node's verdict after the dynamic trace has been applied.
#pragma once

#include "tree/tree.h"

int32_t combine_status(int32_t first, int32_t second);
void settle_status(TestNode *node, void *unused);
void mark_scope_status(TestNode *node, void *unused);
void spread_status(TestNode *node, void *unused);
void roll_up_verdicts();
