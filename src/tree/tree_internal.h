// Hooks between the tree's source files: each side table of the tree lives in
// its own file and is emptied by tree_free through these.
#pragma once

#include "tree/tree.h"

// The node index (node_index.cpp).
// index_insert for a node whose reference is known; whether it was inserted.
bool index_insert_reference(TestNode *node, uint32_t reference);
void index_clear();

// Equal-child look-ups (child_groups.cpp).
TestNode *child_groups_find(TestNode *context, const TestNode *model);
// The first child of context equal to model among the children that are not
// indexed (copies, and nodes whose key an earlier node took), or null.
TestNode *child_groups_find_entered(TestNode *context, const TestNode *model);
// Called for every child appended, after it is linked and offered to the
// index; indexed tells whether the index took it.
void child_groups_note_append(TestNode *child, uint32_t reference, bool indexed);
void child_groups_clear();

// The file list and its side tables (file_list.cpp), which call nothing of
// the rest of the tree.
// A new section entry holding the section's Test Driver node.
void file_list_add_driver(int32_t file_number, TestNode *driver);
void file_list_clear();
