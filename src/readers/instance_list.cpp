// The instance list: see instance_list.h.
#include "readers/instance_list.h"

namespace {

uint64_t mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

uint64_t triple_hash(uint32_t identifier, uint32_t instance_key, int32_t file_number)
{
    return mix((uint64_t(identifier) << 32 | instance_key) * 0x9e3779b97f4a7c15ULL
               ^ static_cast<uint32_t>(file_number));
}

uint64_t triple_hash_of(const InstanceEntry &entry)
{
    return triple_hash(entry.target.identifier, entry.instance_key, entry.target.file_number);
}

uint64_t key_hash(uint32_t instance_key)
{
    return mix(instance_key * 0x9e3779b97f4a7c15ULL);
}

uint64_t key_hash_of(const InstanceEntry &entry)
{
    return key_hash(entry.instance_key);
}

uint64_t slot_of(uint32_t number, uint64_t hash)
{
    return (hash & 0xffffffff00000000ULL) | number;
}

uint32_t number_of(uint64_t slot)
{
    return static_cast<uint32_t>(slot);
}

// The slot holding the entry for which same(entry) holds, or the empty slot
// where it would go.
template <typename Same>
uint64_t &probe(std::vector<uint64_t> &slots, const std::vector<InstanceEntry> &entries, uint64_t hash,
                Same same)
{
    const size_t mask = slots.size() - 1;
    const uint64_t tag = hash & 0xffffffff00000000ULL;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const uint64_t slot = slots[at];
        if (!slot || ((slot & 0xffffffff00000000ULL) == tag && same(entries[number_of(slot) - 1])))
            return slots[at];
    }
}

// Doubles the table when one more entry would fill more than four fifths of
// it: probes rarely read an entry, so the table can be full.
template <typename HashOf>
void make_room(std::vector<uint64_t> &slots, const std::vector<InstanceEntry> &entries, size_t count,
               HashOf hash_of)
{
    if ((count + 1) * 5 <= slots.size() * 4)
        return;
    std::vector<uint64_t> old(slots.empty() ? 64 : slots.size() * 2, 0);
    old.swap(slots);
    const size_t mask = slots.size() - 1;
    for (const uint64_t slot : old) {
        if (!slot)
            continue;
        size_t at = hash_of(entries[number_of(slot) - 1]) & mask;
        while (slots[at])
            at = (at + 1) & mask;
        slots[at] = slot;
    }
}

}  // namespace

void instance_remember(InstanceList &list, uint32_t identifier, uint32_t instance_key,
                       int32_t file_number)
{
    make_room(list.by_triple, list.entries, list.entries.size(), triple_hash_of);
    const uint64_t hash = triple_hash(identifier, instance_key, file_number);
    uint64_t &entry = probe(list.by_triple, list.entries, hash, [&](const InstanceEntry &e) {
        return e.target.identifier == identifier && e.instance_key == instance_key
               && e.target.file_number == file_number;
    });
    if (entry)
        return;
    list.entries.push_back(InstanceEntry{{identifier, file_number}, instance_key});
    const uint32_t number = static_cast<uint32_t>(list.entries.size());
    entry = slot_of(number, hash);

    make_room(list.newest_by_key, list.entries, list.key_count, key_hash_of);
    const uint64_t key = key_hash(instance_key);
    uint64_t &newest = probe(list.newest_by_key, list.entries, key,
                             [&](const InstanceEntry &e) { return e.instance_key == instance_key; });
    if (!newest)
        ++list.key_count;
    newest = slot_of(number, key);
}

const InstanceTarget *instance_find(const InstanceList &list, uint32_t instance_key)
{
    if (list.newest_by_key.empty())
        return nullptr;
    const uint64_t hash = key_hash(instance_key);
    const uint64_t tag = hash & 0xffffffff00000000ULL;
    const size_t mask = list.newest_by_key.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const uint64_t slot = list.newest_by_key[at];
        if (!slot)
            return nullptr;
        if ((slot & 0xffffffff00000000ULL) == tag && list.entries[number_of(slot) - 1].instance_key == instance_key)
            return &list.entries[number_of(slot) - 1].target;
    }
}
