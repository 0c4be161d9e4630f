// Finding the first child of a context equal to a model without scanning the
// context's children.
//
// A child that is the indexed node of its key can equal only models with that
// key, so it is found through the index. Every other child (the copies placed
// by the dynamic trace, and the rare later nodes with a key already taken) is
// entered, as it is appended, in one hash set that groups children by the
// fields that never change once a node exists: parent, file number,
// identifier, line and text. A group's first child is in the set; the rare
// later members (same key, text and line, usually of another type) go to a
// side list in child order. The type is checked at look-up time, so a node
// whose type changes afterwards (a scope turned into a Stub) is still found
// exactly as a scan of the children would find it.
//
// Children are appended as they are made, and node references grow in the
// order nodes are made, so of two children of one context the earlier is the
// one with the smaller reference.
#include "tree/tree_internal.h"

#include "tree/flat_node_set.h"

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

FlatNodeSet group_heads;
std::unordered_map<TestNode *, std::vector<TestNode *>> group_rest;  // by group head

bool same_group(const TestNode *node, const TestNode *parent, const TestNode *model)
{
    return node->parent == parent && node->file_number == model->file_number
           && node->identifier == model->identifier && node->line == model->line
           && same_text(node->text, model->text);
}

}  // namespace

TestNode *child_groups_find_entered(TestNode *context, const TestNode *model)
{
    if (!group_heads.used)
        return nullptr;
    TestNode *head = flat_find(group_heads,
                               group_hash(context, model->file_number, model->identifier, model->line),
                               [&](const TestNode *node) { return same_group(node, context, model); });
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

TestNode *child_groups_find(TestNode *context, const TestNode *model)
{
    TestNode *indexed = find_node(model->file_number, model->identifier);
    if (indexed && !(indexed->parent == context && indexed->type == model->type
                     && indexed->line == model->line && same_text(indexed->text, model->text)))
        indexed = nullptr;
    TestNode *entered = child_groups_find_entered(context, model);
    if (!indexed || !entered)
        return indexed ? indexed : entered;
    return node_reference(entered) < node_reference(indexed) ? entered : indexed;
}

void child_groups_note_append(TestNode *child, uint32_t reference, bool indexed)
{
    if (indexed)
        return;
    const uint64_t hash = group_hash_of(child);
    TestNode *head = flat_find(group_heads, hash,
                               [child](const TestNode *node) { return same_group(node, child->parent, child); });
    if (head)
        group_rest[head].push_back(child);
    else
        flat_insert(group_heads, reference, hash);
}

void child_groups_clear()
{
    flat_clear(group_heads);
    std::unordered_map<TestNode *, std::vector<TestNode *>>().swap(group_rest);
}
