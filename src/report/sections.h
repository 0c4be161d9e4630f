// One section per reportable scope below a Test Driver: the machine-readable
// node, its title, its check table and the sections of its child scopes.
#pragma once

#include <cstdio>
#include "tree/tree.h"

struct SectionContext {
    FILE *stream;
    int depth;  // 1 for the children of a Test Driver
};

// A visitor for for_each_child: writes the node's section (and everything
// below it) or nothing. Walks with an explicit stack, never recursing.
void write_node_section(TestNode *node, void *section_context);

// The labels of the sections (header rows, status words, type names) are
// looked up once per document between these two calls; outside them each
// write_node_section call looks them up afresh.
void begin_section_document();
void end_section_document();
