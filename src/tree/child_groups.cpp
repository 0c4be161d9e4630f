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

#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

struct StableHash {
    // Not noexcept on purpose: the hash set then caches each hash, so
    // growing it never hashes a text again.
    size_t operator()(const TestNode *node) const
    {
        size_t hash = std::hash<std::string_view>()(node->text);
        const auto mix = [&hash](uint64_t value) {
            hash ^= static_cast<size_t>(value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2));
        };
        mix(reinterpret_cast<uintptr_t>(node->parent));
        mix((static_cast<uint64_t>(static_cast<uint32_t>(node->file_number)) << 32) | node->identifier);
        mix(static_cast<uint32_t>(node->line));
        return hash;
    }
};

struct StableEqual {
    bool operator()(const TestNode *a, const TestNode *b) const
    {
        return a->parent == b->parent && a->file_number == b->file_number
               && a->identifier == b->identifier && a->line == b->line
               && strcmp(a->text, b->text) == 0;
    }
};

std::unordered_set<TestNode *> mapped_contexts;
std::unordered_set<TestNode *, StableHash, StableEqual> group_heads;
std::unordered_map<TestNode *, std::vector<TestNode *>> group_rest;  // by group head

void enter_child(TestNode *child)
{
    const auto inserted = group_heads.insert(child);
    if (!inserted.second)
        group_rest[*inserted.first].push_back(child);
}

}  // namespace

TestNode *child_groups_find(TestNode *context, const TestNode *model)
{
    if (mapped_contexts.insert(context).second)
        for (TestNode *child = context->first_child; child; child = child->next_sibling)
            if (child->parent == context)
                enter_child(child);

    TestNode probe;
    memset(static_cast<void *>(&probe), 0, sizeof probe);
    probe.parent = context;
    probe.file_number = model->file_number;
    probe.identifier = model->identifier;
    probe.line = model->line;
    probe.text = model->text ? model->text : const_cast<char *>("");
    const auto found = group_heads.find(&probe);
    if (found == group_heads.end())
        return nullptr;
    TestNode *head = *found;
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
    if (mapped_contexts.empty() || child->parent != parent || !mapped_contexts.count(parent))
        return;
    enter_child(child);
}

void child_groups_clear()
{
    std::unordered_set<TestNode *>().swap(mapped_contexts);
    std::unordered_set<TestNode *, StableHash, StableEqual>().swap(group_heads);
    std::unordered_map<TestNode *, std::vector<TestNode *>>().swap(group_rest);
}
