// A set of nodes in one flat array, probed linearly. Each slot packs the
// node's reference with the top 32 bits of the entry's hash, which choose the
// slot and act as a tag: a probe reads a node only when the tag matches, so
// most look-ups touch one cache line of the table and the one node they find,
// and growing the table never reads a node.
//
// The table holds whatever key the caller hashes and compares; equality is
// the caller's predicate, called only on tag matches.
#pragma once

#include "tree/node_store.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct FlatNodeSet {
    std::vector<uint64_t> slots;  // zero or a power of two; 0 marks an empty slot
    size_t used = 0;
};

inline uint64_t flat_tag(uint64_t hash)
{
    return hash >> 32;
}

// The node in the set for which matches(node) holds, or null.
template <typename Matches>
TestNode *flat_find(const FlatNodeSet &set, uint64_t hash, Matches matches)
{
    if (set.slots.empty())
        return nullptr;
    const size_t mask = set.slots.size() - 1;
    const uint64_t tag = flat_tag(hash);
    for (size_t at = tag & mask;; at = (at + 1) & mask) {
        const uint64_t slot = set.slots[at];
        if (!slot)
            return nullptr;
        if ((slot >> 32) == tag) {
            TestNode *node = node_at(static_cast<uint32_t>(slot));
            if (matches(node))
                return node;
        }
    }
}

// Adds a node (its reference, never 0) known not to be in the set.
inline void flat_insert(FlatNodeSet &set, uint32_t reference, uint64_t hash)
{
    // Keep the load at or below three quarters.
    if ((set.used + 1) * 4 > set.slots.size() * 3) {
        std::vector<uint64_t> old;
        old.swap(set.slots);
        set.slots.assign(old.empty() ? 256 : old.size() * 2, 0);
        const size_t mask = set.slots.size() - 1;
        for (uint64_t slot : old) {
            if (!slot)
                continue;
            size_t at = (slot >> 32) & mask;
            while (set.slots[at])
                at = (at + 1) & mask;
            set.slots[at] = slot;
        }
    }
    const size_t mask = set.slots.size() - 1;
    size_t at = flat_tag(hash) & mask;
    while (set.slots[at])
        at = (at + 1) & mask;
    set.slots[at] = flat_tag(hash) << 32 | reference;
    ++set.used;
}

inline void flat_clear(FlatNodeSet &set)
{
    std::vector<uint64_t>().swap(set.slots);
    set.used = 0;
}
