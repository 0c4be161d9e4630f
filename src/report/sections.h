// One section per reportable scope below a Test Driver: the machine-readable
// node, its title, its check table and the sections of its child scopes.
#pragma once

#include <cstddef>
#include <cstdio>
#include "tree/tree.h"

struct SectionContext {
    FILE *stream;
    int depth;  // 1 for the children of a Test Driver
};

// A visitor for for_each_child: writes the node's section (and everything
// below it) or nothing. Walks with an explicit stack, never recursing.
void write_node_section(TestNode *node, void *section_context);
// The file sections of the drivers, in order: for each, the node element,
// the section's open tag and the title, then the sections of its children
// (at depth 1), then the closing tags.
void write_driver_sections(FILE *stream, TestNode *const *drivers, size_t count);

// The labels of the sections (header rows, status words, type names) are
// looked up once per document between these two calls; outside them each
// write_node_section call looks them up afresh.
void begin_section_document();
void end_section_document();
// A document's sections are built on a second thread too once they pass
// after_steps steps (heads and ends of sections; 4096), and that thread
// holds at most about bytes of markup (1 MiB) before it leaves the rest of
// its batch to the calling thread. Tests lower both.
void set_section_helper_limits(size_t after_steps, size_t bytes);
