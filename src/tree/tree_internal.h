// Hooks between the tree's source files: each side table of the tree lives in
// its own file and is emptied by tree_free through these.
#pragma once

#include "tree/tree.h"

// The node index (node_index.cpp).
// index_insert for a node whose reference is known.
void index_insert_reference(TestNode *node, uint32_t reference);
void index_clear();

// Equal-child look-up tables (child_groups.cpp). Tables exist only for
// contexts that find_equal_child has been asked about.
TestNode *child_groups_find(TestNode *context, const TestNode *model);
// Called for every child appended under parent, after it is linked.
void child_groups_note_append(TestNode *parent, TestNode *child);
void child_groups_clear();

// The file list and its side tables (file_list.cpp).
void file_list_clear();
