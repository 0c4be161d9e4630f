// Finding the first child of a context equal to a model without scanning the
// context's children.
//
// Children are grouped by the fields that never change once a node exists:
// parent, file number, identifier, line and text. A group's first child is
// kept in one hash set shared by all contexts; the rare later members (same
// key, text and line, usually of another type) go to a side list in child
// order. The type is checked at look-up time, so a node whose type changes
// afterwards (a scope turned into a Stub) is still found exactly as a scan
// of the children would find it.
//
// A context pays nothing until it is first asked about; then its children
// are entered once and every child appended later is entered as it comes.
#include "tree/tree_internal.h"

#include "tree/flat_node_set.h"

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

uint64_t mix(uint64_t hash, uint64_t value)
{
    hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    return hash;
}

uint64_t finish(uint64_t hash)
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return hash;
}

// The text is left out of the hash: children with the same key and line but
// another text are rare, and equality still compares the text.
uint64_t group_hash(const TestNode *parent, int32_t file_number, uint32_t identifier, int32_t line)
{
    uint64_t hash = reinterpret_cast<uintptr_t>(parent);
    hash = mix(hash, (static_cast<uint64_t>(static_cast<uint32_t>(file_number)) << 32) | identifier);
    hash = mix(hash, static_cast<uint32_t>(line));
    return finish(hash);
}

// Texts are stored once each: equal texts are equal references.
bool same_text(NodeText a, NodeText b)
{
    return a.at == b.at;
}

uint64_t group_hash_of(const TestNode *node)
{
    return group_hash(node->parent, node->file_number, node->identifier, node->line);
}

uint64_t context_hash(const TestNode *context)
{
    return finish(reinterpret_cast<uintptr_t>(context) * 0x9e3779b97f4a7c15ULL);
}

FlatNodeSet mapped_contexts;
FlatNodeSet group_heads;
std::unordered_map<TestNode *, std::vector<TestNode *>> group_rest;  // by group head

bool is_mapped(TestNode *context)
{
    return flat_find(mapped_contexts, context_hash(context),
                     [context](const TestNode *node) { return node == context; });
}

void enter_child(TestNode *child)
{
    const uint64_t hash = group_hash_of(child);
    TestNode *head = flat_find(group_heads, hash, [child](const TestNode *node) {
        return node->parent == child->parent && node->file_number == child->file_number
               && node->identifier == child->identifier && node->line == child->line
               && same_text(node->text, child->text);
    });
    if (head)
        group_rest[head].push_back(child);
    else
        flat_insert(group_heads, child, hash, group_hash_of);
}

}  // namespace

TestNode *child_groups_find(TestNode *context, const TestNode *model)
{
    if (!is_mapped(context)) {
        flat_insert(mapped_contexts, context, context_hash(context), context_hash);
        for (TestNode *child = context->first_child; child; child = child->next_sibling)
            if (child->parent == context)
                enter_child(child);
    }

    const NodeText text = model->text;
    TestNode *head = flat_find(
        group_heads, group_hash(context, model->file_number, model->identifier, model->line),
        [&](const TestNode *node) {
            return node->parent == context && node->file_number == model->file_number
                   && node->identifier == model->identifier && node->line == model->line
                   && same_text(node->text, text);
        });
    if (!head)
        return nullptr;
    if (head->type == model->type)
        return head;
    const auto rest = group_rest.find(head);
    if (rest == group_rest.end())
        return nullptr;
    for (TestNode *member : rest->second)
        if (member->type == model->type)
            return member;
    return nullptr;
}

void child_groups_note_append(TestNode *parent, TestNode *child)
{
    if (!mapped_contexts.used || child->parent != parent || !is_mapped(parent))
        return;
    enter_child(child);
}

void child_groups_clear()
{
    flat_clear(mapped_contexts);
    flat_clear(group_heads);
    std::unordered_map<TestNode *, std::vector<TestNode *>>().swap(group_rest);
}
