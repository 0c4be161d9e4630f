// The node index: the first node inserted per (file number, identifier).
//
// A flat set of tagged node pointers (flat_node_set.h) keyed by the pair;
// the key is read from the node itself, so a slot costs one word. Nothing is
// ever removed, only the whole table is dropped by tree_free.
#include "tree/tree_internal.h"

#include "tree/flat_node_set.h"

#include <cstdio>

namespace {

FlatNodeSet index_slots;

uint64_t key_hash(int32_t file_number, uint32_t identifier)
{
    uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(file_number)) << 32) | identifier;
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    key ^= key >> 33;
    return key;
}

uint64_t node_key_hash(const TestNode *node)
{
    return key_hash(node->file_number, node->identifier);
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
    return flat_find(index_slots, key_hash(file_number, identifier),
                     [file_number, identifier](const TestNode *node) {
                         return node->file_number == file_number && node->identifier == identifier;
                     });
}

void index_insert(TestNode *node)
{
    if (!node || find_node(node->file_number, node->identifier))
        return;  // the first node with this key stays
    flat_insert(index_slots, node, node_key_hash(node), node_key_hash);
}

void index_clear()
{
    flat_clear(index_slots);
}
