// Test nodes: creation, linking, copies, messages, walks and the tree's
// lifetime. The index, the equal-child tables and the file list live in
// their own files (node_index.cpp, child_groups.cpp, file_list.cpp).
//
// Nodes, counter blocks and node texts come from the tree's arenas and go
// away together in tree_free; message texts go to the message spool.
#include "tree/tree.h"

#include "diagnostics/memory.h"
#include "report/vocabulary.h"
#include "tree/arena.h"
#include "tree/message_spool.h"
#include "tree/tree_internal.h"

#include <cstring>
#include <vector>

namespace {

// Nodes, each check node followed by its counter block so that the two
// share cache lines when a result is counted.
ByteArena node_arena;
ByteArena text_arena;

// The last spooled message of each node that received messages, in a flat
// table probed linearly.
struct MessageList {
    const TestNode *node;
    SpoolOffset last;
};
std::vector<MessageList> message_lists;  // zero or a power of two entries
size_t message_list_count = 0;
// Prints in loops take many messages in a row: the last list used.
MessageList *last_message_list = nullptr;

size_t node_slot(const TestNode *node, size_t mask)
{
    uint64_t key = reinterpret_cast<uintptr_t>(node);
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<size_t>(key) & mask;
}

// The list of the node, or the empty entry where it would go.
MessageList *message_list_slot(const TestNode *node)
{
    const size_t mask = message_lists.size() - 1;
    size_t at = node_slot(node, mask);
    while (message_lists[at].node && message_lists[at].node != node)
        at = (at + 1) & mask;
    return &message_lists[at];
}

MessageList *message_list_of(const TestNode *node)
{
    if ((message_list_count + 1) * 4 > message_lists.size() * 3) {
        std::vector<MessageList> old(message_lists.empty() ? 64 : message_lists.size() * 2,
                                     MessageList{nullptr, 0});
        old.swap(message_lists);
        for (const MessageList &list : old)
            if (list.node)
                *message_list_slot(list.node) = list;
        last_message_list = nullptr;
    }
    MessageList *list = message_list_slot(node);
    if (!list->node) {
        list->node = node;
        ++message_list_count;
    }
    return list;
}

void link_last_child(TestNode *parent, TestNode *child)
{
    if (parent->last_child)
        parent->last_child->next_sibling = child;
    else
        parent->first_child = child;
    parent->last_child = child;
    child_groups_note_append(parent, child);
}

}  // namespace

void tree_init()
{
    tree_free();
}

namespace {

// A node whose text is already owned by the tree (a copy shares its model's
// text: texts never change and all go away together in tree_free).
TestNode *new_node(int32_t type, int32_t file_number, uint32_t identifier, char *owned_text,
                   TestNode *parent, int32_t line)
{
    const bool check = is_check_type(type);
    const size_t size = sizeof(TestNode) + (check ? sizeof(CheckCounters) : 0);
    TestNode *node = static_cast<TestNode *>(arena_alloc(node_arena, size, alignof(TestNode)));
    memset(static_cast<void *>(node), 0, size);
    node->type = type;
    node->file_number = file_number;
    node->identifier = identifier;
    node->text = owned_text;
    node->line = line;
    node->parent = parent;
    if (check) {
        node->status = VERDICT_NOT_EXECUTED;
        node->extension = reinterpret_cast<CheckCounters *>(node + 1);
    } else {
        node->status = VERDICT_PASSED;
    }
    return node;
}

}  // namespace

TestNode *create_node(int32_t type, int32_t file_number, uint32_t identifier,
                      const char *text, TestNode *parent, int32_t line)
{
    char *owned = text ? arena_strndup(text_arena, text, strlen(text)) : arena_strndup(text_arena, "", 0);
    return new_node(type, file_number, identifier, owned, parent, line);
}

void add_child(int32_t file_number, int32_t type, uint32_t identifier, const char *text,
               uint32_t parent_identifier, int32_t line)
{
    TestNode *parent = find_node(file_number, parent_identifier);
    if (!parent)
        return;
    TestNode *node = create_node(type, file_number, identifier, text, parent, line);
    index_insert(node);
    link_last_child(parent, node);
}

TestNode *append_copy(TestNode *context, TestNode *model)
{
    if (!context || !model)
        return nullptr;
    TestNode *copy = new_node(model->type, model->file_number, model->identifier, model->text,
                              context, model->line);
    index_insert(copy);
    link_last_child(context, copy);
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

void add_message(TestNode *node, char *text)
{
    if (!node) {
        mem_free(text);
        return;
    }
    if (!last_message_list || last_message_list->node != node)
        last_message_list = message_list_of(node);
    last_message_list->last = spool_append(last_message_list->last, text, strlen(text));
    mem_free(text);
}

namespace {

const MessageList *message_list_if_any(const TestNode *node)
{
    if (message_lists.empty())
        return nullptr;
    const MessageList *list = message_list_slot(node);
    return list->node ? list : nullptr;
}

}  // namespace

bool has_messages(const TestNode *node)
{
    return message_list_if_any(node) != nullptr;
}

void for_each_message(const TestNode *node, MessageVisitor visit, void *context)
{
    if (const MessageList *list = message_list_if_any(node))
        spool_visit_list(list->last, visit, context);
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

void tree_free()
{
    std::vector<MessageList>().swap(message_lists);
    message_list_count = 0;
    last_message_list = nullptr;
    arena_release(node_arena);
    spool_clear();
    arena_release(text_arena);
    index_clear();
    child_groups_clear();
    file_list_clear();
}
