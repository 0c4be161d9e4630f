// The instances a dynamic trace has announced ("NI"): a duplicate test on the
// triple (identifier, instance key, file number), and the newest entry per
// instance key, which "CI" switches to. Entries are conceptually added at the
// head of a list, so "first from the head with this key" is the newest entry
// added with that key; a duplicate triple is not added again.
//
// Entries are kept in the order they came, 12 bytes each; two flat tables,
// probed linearly, find them by triple and the newest one by key. A slot holds
// an entry number with half of the entry's hash, so a probe reads an entry
// only when the halves match: a look-up costs about two cache misses, which
// matters on traces with hundreds of thousands of instances, and memory stays
// between 20 and 40 bytes an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct InstanceTarget {
    uint32_t identifier;
    int32_t file_number;
};

struct InstanceEntry {
    InstanceTarget target;
    uint32_t instance_key;
};

struct InstanceList {
    std::vector<InstanceEntry> entries;  // oldest first
    // Entry number plus one, with the top half of the entry's hash above it;
    // 0 for an empty slot. Zero or a power of two slots.
    std::vector<uint64_t> by_triple;
    std::vector<uint64_t> newest_by_key;
    size_t key_count = 0;
};

void instance_remember(InstanceList &list, uint32_t identifier, uint32_t instance_key,
                       int32_t file_number);
// The newest entry with this instance key, or null; valid until the next
// instance_remember.
const InstanceTarget *instance_find(const InstanceList &list, uint32_t instance_key);
