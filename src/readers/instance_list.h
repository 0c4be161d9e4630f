// The instances a dynamic trace has announced ("NI"): a duplicate test on the
// triple (identifier, instance key, file number), and the newest entry per
// instance key, which "CI" switches to. Entries are conceptually added at the
// head of a list, so "first from the head with this key" is the newest entry
// added with that key; a duplicate triple is not added again.
//
// Both tables are flat, probed linearly and kept up to four fifths full, with
// the entry in the slot: a look-up costs about one cache miss per table,
// which matters on traces with hundreds of thousands of instances, and
// memory stays between 18 and 35 bytes an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What an instance stands for: the reference of the node its identifier
// names in its file section (node_store.h), worked out by the caller once,
// when the instance is announced; 0 for none.
struct InstanceTarget {
    uint32_t node;
};

struct InstanceEntrySlot {
    uint32_t identifier;
    uint32_t instance_key;
    int32_t file_number;
    uint32_t used;
};

struct InstanceNewestSlot {
    uint32_t instance_key;
    uint32_t used;
    InstanceTarget target;
};

struct InstanceList {
    std::vector<InstanceEntrySlot> entries;  // zero or a power of two slots
    size_t entry_count = 0;
    std::vector<InstanceNewestSlot> newest;  // zero or a power of two slots
    size_t newest_count = 0;
};

void instance_remember(InstanceList &list, uint32_t identifier, uint32_t instance_key,
                       int32_t file_number, uint32_t node);
// Hints for a caller that knows its next calls some calls ahead: start
// loading the slots that instance_remember or instance_find will probe
// first (a table that grows in between only makes the hint useless).
void instance_prefetch_remember(const InstanceList &list, uint32_t identifier, uint32_t instance_key,
                                int32_t file_number);
void instance_prefetch_find(const InstanceList &list, uint32_t instance_key);
// The newest entry with this instance key, or null; valid until the next
// instance_remember.
const InstanceTarget *instance_find(const InstanceList &list, uint32_t instance_key);
