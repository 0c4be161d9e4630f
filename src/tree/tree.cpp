// Test nodes: creation, linking, copies, messages, walks and the tree's
// lifetime. The index, the equal-child tables and the file list live in
// their own files (node_index.cpp, child_groups.cpp, file_list.cpp).
//
// Nodes with their counter blocks, and node texts, live in the tree's stores
// (node_store.h) and go away together in tree_free; message texts go to the
// message spool.
#include "tree/tree.h"

#include "diagnostics/memory.h"
#include "tree/message_spool.h"
#include "tree/node_types.h"
#include "tree/tree_internal.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Each check node is followed by its counter block and the spool offset of
// its last message, so that they share cache lines when a result is counted
// or a message attached.
size_t node_total = 0;

// Message bytes kept in memory per tree node before the spool turns to its
// file: small runs never touch the disk, and memory still follows the tree,
// not the length of the dynamic trace.
const uint64_t spool_bytes_per_node = 16;
// The node_total the spool's budget was last set for: it changes far less
// often than messages come.
size_t budget_nodes = SIZE_MAX;

// Appends a new node as the parent's last child; indexed tells whether the
// index took it.
void link_child(TestNode *parent, TestNode *child, uint32_t child_reference, bool indexed)
{
    if (parent->last_child)
        parent->last_child->next_sibling.at = child_reference;
    else
        parent->first_child.at = child_reference;
    parent->last_child.at = child_reference;
    child_groups_note_append(child, child_reference, indexed);
}

// Indexes a new node and appends it as the parent's last child.
void index_and_link(TestNode *parent, TestNode *child, uint32_t child_reference)
{
    link_child(parent, child, child_reference, index_insert_reference(child, child_reference));
}

}  // namespace

void tree_init()
{
    tree_free();
}

namespace {

// A node with a stored text (a copy shares its model's: texts never change).
TestNode *new_node(int32_t type, int32_t file_number, uint32_t identifier, uint32_t text,
                   TestNode *parent, int32_t line, uint32_t *reference)
{
    const bool check = is_check_type(type);
    const size_t size = sizeof(TestNode) + (check ? sizeof(CheckCounters) + sizeof(SpoolOffset) : 0);
    TestNode *node = store_new_node(size, reference);  // zeroed: counters and offset 0
    ++node_total;
    node->type = type;
    node->file_number = file_number;
    node->identifier = identifier;
    node->text.at = text;
    node->line = line;
    node->parent.at = parent ? node_reference(parent) : 0;
    node->extension.present = check;
    node->status = check ? VERDICT_NOT_EXECUTED : VERDICT_PASSED;
    return node;
}

uint32_t stored_text(const char *text)
{
    return text ? store_text(text, strlen(text)) : 0;
}

}  // namespace

TestNode *create_node(int32_t type, int32_t file_number, uint32_t identifier,
                      const char *text, TestNode *parent, int32_t line)
{
    uint32_t reference;
    return new_node(type, file_number, identifier, stored_text(text), parent, line, &reference);
}

void add_file(int32_t file_number, uint32_t identifier, const char *text)
{
    TestNode *driver = create_node(NODE_TEST_DRIVER, file_number, identifier, text, nullptr, 0);
    file_list_add_driver(file_number, driver);
    index_insert(driver);
}

namespace {

void add_child_with_text(int32_t file_number, int32_t type, uint32_t identifier, uint32_t text,
                         TestNode *parent, int32_t line)
{
    uint32_t reference;
    TestNode *node = new_node(type, file_number, identifier, text, parent, line, &reference);
    index_and_link(parent, node, reference);
}

}  // namespace

void add_child(int32_t file_number, int32_t type, uint32_t identifier, const char *text,
               uint32_t parent_identifier, int32_t line)
{
    if (TestNode *parent = find_node(file_number, parent_identifier))
        add_child_with_text(file_number, type, identifier, stored_text(text), parent, line);
}

void add_child_stored(int32_t file_number, int32_t type, uint32_t identifier, const char *text,
                      size_t length, uint64_t text_hash, uint32_t parent_identifier, int32_t line)
{
    TestNode *parent = find_node(file_number, parent_identifier);
    if (!parent)
        return;
    add_child_with_text(file_number, type, identifier, store_text_hashed(text, length, text_hash), parent, line);
}

void tree_texts_complete()
{
    release_text_table();
}

namespace {

TestNode *new_copy(TestNode *context, const TestNode *model, uint32_t *reference)
{
    return new_node(model->type, model->file_number, model->identifier, model->text.at, context, model->line,
                    reference);
}

}  // namespace

TestNode *append_copy(TestNode *context, TestNode *model)
{
    if (!context || !model)
        return nullptr;
    uint32_t reference;
    TestNode *copy = new_copy(context, model, &reference);
    index_and_link(context, copy, reference);
    return copy;
}

TestNode *append_copy_of_indexed(TestNode *context, TestNode *model)
{
    uint32_t reference;
    TestNode *copy = new_copy(context, model, &reference);
    link_child(context, copy, reference, false);  // the model holds the key
    return copy;
}

TestNode *find_equal_child(TestNode *context, TestNode *model)
{
    if (!context || !model)
        return nullptr;
    // A node under its own parent is the first child equal to itself: an
    // earlier sibling with its key would have been indexed first and so be
    // the model, and no copy of it is ever made there (the search finds the
    // node itself first). This is the common case of a check run in place,
    // and it needs no table.
    if (model->parent == context && find_node(model->file_number, model->identifier) == model)
        return model;
    return child_groups_find(context, model);
}

TestNode *find_equal_child_of_indexed(TestNode *context, TestNode *model)
{
    if (!context || !model)
        return nullptr;
    // Any other indexed child equal to the model would have its key, which
    // the model holds: only children outside the index can be equal to it.
    return model->parent == context ? model : child_groups_find_entered(context, model);
}

namespace {

// Where the spool offset of the node's last message is kept: after the
// counters of nodes made as check nodes (4-byte aligned only, so read and
// written bytewise); null for other nodes.
char *last_message_slot(const TestNode *node)
{
    CheckCounters *counters = node->extension;
    return counters ? reinterpret_cast<char *>(counters + 1) : nullptr;
}

SpoolOffset read_slot(const char *slot)
{
    SpoolOffset offset;
    memcpy(&offset, slot, sizeof offset);
    return offset;
}

}  // namespace

void add_message(TestNode *node, char *text)
{
    add_message_bytes(node, text, strlen(text));
    mem_free(text);
}

void add_message_bytes(TestNode *node, const char *text, size_t length)
{
    if (char *slot = node ? last_message_slot(node) : nullptr) {
        if (node_total != budget_nodes) {
            budget_nodes = node_total;
            spool_set_memory_budget(node_total * spool_bytes_per_node);
        }
        const SpoolOffset last = spool_append(read_slot(slot), text, length);
        memcpy(slot, &last, sizeof last);
    }
}

bool has_messages(const TestNode *node)
{
    const char *slot = last_message_slot(node);
    return slot && read_slot(slot) != 0;
}

void for_each_message(const TestNode *node, MessageVisitor visit, void *context)
{
    if (const char *slot = last_message_slot(node))
        spool_visit_list(read_slot(slot), visit, context);
}

void walk_tree(TestNode *node, NodeVisitor visitor, void *context)
{
    if (!node)
        return;
    // The nodes whose children are being walked, innermost last: the frames
    // the recursive form would hold.
    std::vector<TestNode *> open;
    TestNode *current = node;
    for (;;) {
        while (current->first_child) {
            open.push_back(current);
            current = current->first_child;
        }
        // current's children (if any) are done: visit it, then go on to its
        // next sibling, or finish its parent.
        for (;;) {
            visitor(current, context);
            if (current->next_sibling) {
                current = current->next_sibling;
                break;
            }
            if (open.empty())
                return;
            current = open.back();
            open.pop_back();
        }
    }
}

void for_each_child(TestNode *node, NodeVisitor visitor, void *context)
{
    if (!node)
        return;
    for (TestNode *child = node->first_child; child; child = child->next_sibling)
        visitor(child, context);
}

size_t tree_node_count()
{
    return node_total;
}

void tree_free()
{
    node_store_clear();
    node_total = 0;
    spool_clear();
    budget_nodes = SIZE_MAX;
    text_store_clear();
    index_clear();
    child_groups_clear();
    file_list_clear();
}
