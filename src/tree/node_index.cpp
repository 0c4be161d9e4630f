// The node index: the first node inserted per (file number, identifier).
//
// An open-addressing table of node pointers with linear probing; the key is
// read from the node itself, so a slot costs one pointer. Nothing is ever
// removed, only the whole table is dropped by tree_free.
#include "tree/tree_internal.h"

#include <cstdio>
#include <vector>

namespace {

std::vector<TestNode *> slots;  // size is zero or a power of two
size_t slot_count_used = 0;

size_t key_hash(int32_t file_number, uint32_t identifier)
{
    uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(file_number)) << 32) | identifier;
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    key ^= key >> 33;
    return static_cast<size_t>(key);
}

// The slot holding the key, or the empty slot where it would go.
size_t probe(int32_t file_number, uint32_t identifier)
{
    const size_t mask = slots.size() - 1;
    size_t at = key_hash(file_number, identifier) & mask;
    while (slots[at]
           && (slots[at]->file_number != file_number || slots[at]->identifier != identifier))
        at = (at + 1) & mask;
    return at;
}

void grow()
{
    std::vector<TestNode *> old;
    old.swap(slots);
    slots.assign(old.empty() ? 1024 : old.size() * 2, nullptr);
    for (TestNode *node : old)
        if (node)
            slots[probe(node->file_number, node->identifier)] = node;
}

}  // namespace

uint32_t key_bucket(int32_t file_number, uint32_t identifier)
{
    char text[32];
    const int length = snprintf(text, sizeof text, "%d/%lxh", file_number,
                                static_cast<unsigned long>(identifier));
    uint32_t sum = 0;
    for (int i = 0; i < length; ++i)
        sum += static_cast<uint32_t>(static_cast<unsigned char>(text[i])) * static_cast<uint32_t>(i + 1);
    return sum % 97;
}

TestNode *find_node(int32_t file_number, uint32_t identifier)
{
    if (slots.empty())
        return nullptr;
    return slots[probe(file_number, identifier)];
}

void index_insert(TestNode *node)
{
    if (!node)
        return;
    // Keep the load at or below 70% so probe runs stay short.
    if ((slot_count_used + 1) * 10 > slots.size() * 7)
        grow();
    const size_t at = probe(node->file_number, node->identifier);
    if (slots[at])
        return;  // the first node with this key stays
    slots[at] = node;
    ++slot_count_used;
}

void index_clear()
{
    std::vector<TestNode *>().swap(slots);
    slot_count_used = 0;
}
