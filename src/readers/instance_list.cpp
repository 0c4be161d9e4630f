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

uint64_t entry_hash(uint32_t identifier, uint32_t instance_key, int32_t file_number)
{
    return mix((uint64_t(identifier) << 32 | instance_key) * 0x9e3779b97f4a7c15ULL
               ^ static_cast<uint32_t>(file_number));
}

uint64_t key_hash(uint32_t instance_key)
{
    return mix(instance_key * 0x9e3779b97f4a7c15ULL);
}

// The slot for which same(slot) holds, or the empty slot where it would go.
template <typename Slots, typename Same>
auto &probe(Slots &slots, uint64_t hash, Same same)
{
    const size_t mask = slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask)
        if (!slots[at].used || same(slots[at]))
            return slots[at];
}

// Doubles the table when one more entry would fill more than four fifths of
// it: slots are small and probes run along adjacent ones.
template <typename Slot, typename HashOf>
void make_room(std::vector<Slot> &slots, size_t count, HashOf hash_of)
{
    if ((count + 1) * 5 <= slots.size() * 4)
        return;
    std::vector<Slot> old(slots.empty() ? 64 : slots.size() * 2, Slot{});
    old.swap(slots);
    for (const Slot &slot : old)
        if (slot.used)
            probe(slots, hash_of(slot), [](const Slot &) { return false; }) = slot;
}

}  // namespace

void instance_remember(InstanceList &list, uint32_t identifier, uint32_t instance_key,
                       int32_t file_number, uint32_t node)
{
    make_room(list.entries, list.entry_count, [](const InstanceEntrySlot &slot) {
        return entry_hash(slot.identifier, slot.instance_key, slot.file_number);
    });
    InstanceEntrySlot &entry = probe(list.entries, entry_hash(identifier, instance_key, file_number),
                                     [&](const InstanceEntrySlot &slot) {
                                         return slot.identifier == identifier
                                                && slot.instance_key == instance_key
                                                && slot.file_number == file_number;
                                     });
    if (entry.used)
        return;
    entry = InstanceEntrySlot{identifier, instance_key, file_number, 1};
    ++list.entry_count;

    make_room(list.newest, list.newest_count,
              [](const InstanceNewestSlot &slot) { return key_hash(slot.instance_key); });
    InstanceNewestSlot &newest = probe(list.newest, key_hash(instance_key), [&](const InstanceNewestSlot &slot) {
        return slot.instance_key == instance_key;
    });
    if (!newest.used)
        ++list.newest_count;
    newest = InstanceNewestSlot{instance_key, 1, InstanceTarget{node}};
}

void instance_prefetch_remember(const InstanceList &list, uint32_t identifier, uint32_t instance_key,
                                int32_t file_number)
{
    if (!list.entries.empty())
        __builtin_prefetch(&list.entries[entry_hash(identifier, instance_key, file_number) & (list.entries.size() - 1)]);
    instance_prefetch_find(list, instance_key);
}

void instance_prefetch_find(const InstanceList &list, uint32_t instance_key)
{
    if (!list.newest.empty())
        __builtin_prefetch(&list.newest[key_hash(instance_key) & (list.newest.size() - 1)]);
}

const InstanceTarget *instance_find(const InstanceList &list, uint32_t instance_key)
{
    if (list.newest.empty())
        return nullptr;
    const InstanceNewestSlot &slot = probe(list.newest, key_hash(instance_key), [&](const InstanceNewestSlot &s) {
        return s.instance_key == instance_key;
    });
    return slot.used ? &slot.target : nullptr;
}
