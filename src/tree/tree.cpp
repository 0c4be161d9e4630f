// Test nodes: creation, linking, copies, messages, walks and the tree's
// lifetime. The index, the equal-child tables and the file list live in
// their own files (node_index.cpp, child_groups.cpp, file_list.cpp).
//
// Nodes, counter blocks, node texts and message entries with their texts
// come from the tree's arenas and go away together in tree_free.
#include "tree/tree.h"

#include "diagnostics/memory.h"
#include "report/vocabulary.h"
#include "tree/arena.h"
#include "tree/tree_internal.h"

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

NodePool node_pool;
ByteArena record_arena;  // counter blocks and message entries
ByteArena text_arena;

struct MessageList {
    MessageEntry *first = nullptr;
    MessageEntry *last = nullptr;
};
std::unordered_map<const TestNode *, MessageList> message_lists;
// Prints in loops take many messages in a row: the last list used.
const TestNode *last_message_node = nullptr;
MessageList *last_message_list = nullptr;

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
    TestNode *node = pool_new_node(node_pool);
    node->type = type;
    node->file_number = file_number;
    node->identifier = identifier;
    node->text = owned_text;
    node->line = line;
    node->parent = parent;
    if (is_check_type(type)) {
        node->status = VERDICT_NOT_EXECUTED;
        node->extension = static_cast<CheckCounters *>(arena_alloc(record_arena, sizeof(CheckCounters)));
        memset(node->extension, 0, sizeof(CheckCounters));
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
    // The entry and its text share one arena record: no block of its own
    // per message, which matters when prints run in long loops.
    const size_t length = strlen(text);
    MessageEntry *entry = static_cast<MessageEntry *>(
        arena_alloc(record_arena, sizeof(MessageEntry) + length + 1, alignof(MessageEntry)));
    entry->text = reinterpret_cast<char *>(entry + 1);
    memcpy(entry->text, text, length + 1);
    entry->next = nullptr;
    mem_free(text);
    if (node != last_message_node) {
        last_message_list = &message_lists[node];
        last_message_node = node;
    }
    MessageList &list = *last_message_list;
    if (list.last)
        list.last->next = entry;
    else
        list.first = entry;
    list.last = entry;
}

const MessageEntry *first_message_of(const TestNode *node)
{
    if (message_lists.empty())
        return nullptr;
    const auto found = message_lists.find(node);
    return found == message_lists.end() ? nullptr : found->second.first;
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
    std::unordered_map<const TestNode *, MessageList>().swap(message_lists);
    last_message_node = nullptr;
    last_message_list = nullptr;
    pool_release(node_pool);
    arena_release(record_arena);
    arena_release(text_arena);
    index_clear();
    child_groups_clear();
    file_list_clear();
}
