// A set of node pointers in one flat array, probed linearly. Each slot packs
// the pointer with a 16-bit tag taken from the entry's hash in the pointer's
// unused top bits, so a probe reads a node only when the tag matches: most
// look-ups touch one cache line of the table and the one node they find.
//
// The table holds whatever key the caller hashes and compares; equality is
// the caller's predicate, called only on tag matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TestNode;

struct FlatNodeSet {
    std::vector<uint64_t> slots;  // zero or a power of two; 0 marks an empty slot
    size_t used = 0;
};

inline uint16_t flat_tag(uint64_t hash)
{
    const uint16_t tag = static_cast<uint16_t>(hash >> 48);
    return tag ? tag : 1;
}

inline TestNode *flat_node(uint64_t slot)
{
    return reinterpret_cast<TestNode *>(slot & ((uint64_t(1) << 48) - 1));
}

// The node in the set for which matches(node) holds, or null.
template <typename Matches>
TestNode *flat_find(const FlatNodeSet &set, uint64_t hash, Matches matches)
{
    if (set.slots.empty())
        return nullptr;
    const size_t mask = set.slots.size() - 1;
    const uint64_t tag = uint64_t(flat_tag(hash)) << 48;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const uint64_t slot = set.slots[at];
        if (!slot)
            return nullptr;
        if ((slot & ~((uint64_t(1) << 48) - 1)) == tag && matches(flat_node(slot)))
            return flat_node(slot);
    }
}

// Adds a node known not to be in the set. rehash(node) gives the hash of a
// stored node when the table grows.
template <typename Rehash>
void flat_insert(FlatNodeSet &set, TestNode *node, uint64_t hash, Rehash rehash)
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
            size_t at = rehash(flat_node(slot)) & mask;
            while (set.slots[at])
                at = (at + 1) & mask;
            set.slots[at] = slot;
        }
    }
    const size_t mask = set.slots.size() - 1;
    size_t at = hash & mask;
    while (set.slots[at])
        at = (at + 1) & mask;
    set.slots[at] = (uint64_t(flat_tag(hash)) << 48) | reinterpret_cast<uintptr_t>(node);
    ++set.used;
}

inline void flat_clear(FlatNodeSet &set)
{
    std::vector<uint64_t>().swap(set.slots);
    set.used = 0;
}
