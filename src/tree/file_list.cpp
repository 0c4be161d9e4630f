// The list of file sections, newest first, and its look-ups.
//
// Every query of the list asks for "the first entry from the head" with some
// property. Side tables answer each in expected constant time:
//  - by file number: the newest entry with that number (numbers never change);
//  - by dynamic number: the newest entry carrying it; an entry's number only
//    ever goes from 0 to a value, so a non-zero number is claimed by a newer
//    entry or kept, and the entries still carrying 0 form a stack from which
//    bound ones are dropped lazily;
//  - by identity pair: the newest entry carrying it, rebuilt from the list in
//    one pass when an identity change takes the pair away from its holder;
//  - entries with a Test Driver node, oldest first, for positions.
// Entries carry a sequence number (hidden behind the public record) so that
// "newer" is one comparison.
#include "tree/tree_internal.h"

#include "diagnostics/memory.h"

#include <vector>

namespace {

// A map from a number to the entry holding it, in one flat array probed
// linearly (a null entry marks an empty slot). A dynamic trace binds a file
// section per "SF" record, and each binding looks up and sets an entry in
// these tables: one cache line each, where a node-based map took an
// allocation and a pointer to follow per key.
template <typename Key>
class EntryTable {
public:
    FileEntry *find(Key key) const
    {
        if (slots_.empty())
            return nullptr;
        for (size_t at = home(key);; at = (at + 1) & mask()) {
            const Slot &slot = slots_[at];
            if (!slot.entry || slot.key == key)
                return slot.entry;
        }
    }

    // The entry held for key, null when none is yet: set it through the
    // reference (to a non-null entry; entries are never taken out). Until
    // it is set, the slot reads as empty; every caller sets it at once.
    FileEntry *&operator[](Key key)
    {
        if ((used_ + 1) * 4 > slots_.size() * 3)
            grow();
        size_t at = home(key);
        while (slots_[at].entry && slots_[at].key != key)
            at = (at + 1) & mask();
        if (!slots_[at].entry) {
            slots_[at].key = key;
            ++used_;
        }
        return slots_[at].entry;
    }

    template <typename Visit>
    void for_each(Visit visit) const
    {
        for (const Slot &slot : slots_) {
            if (slot.entry)
                visit(slot.key, slot.entry);
        }
    }

    void clear()
    {
        std::vector<Slot>().swap(slots_);
        used_ = 0;
    }

private:
    struct Slot {
        Key key;
        FileEntry *entry;
    };

    size_t mask() const { return slots_.size() - 1; }
    size_t home(Key key) const
    {
        const uint64_t mixed = static_cast<uint64_t>(key) * 0x9e3779b97f4a7c15ULL;
        return static_cast<size_t>(mixed ^ (mixed >> 29)) & mask();
    }

    void grow()
    {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{Key(), nullptr});
        used_ = 0;
        for (const Slot &slot : old) {
            if (slot.entry)
                (*this)[slot.key] = slot.entry;
        }
    }

    std::vector<Slot> slots_;  // zero or a power of two
    size_t used_ = 0;
};

struct EntryRecord {
    FileEntry entry;  // first member: a FileEntry * is also an EntryRecord *
    uint64_t sequence;
};

FileEntry *list_head = nullptr;
uint64_t next_sequence = 1;
std::vector<FileEntry *> driver_entries;  // entries with a file node, oldest first
EntryTable<int32_t> entry_by_number;
EntryTable<int32_t> entry_by_dynamic;  // non-zero numbers only
std::vector<FileEntry *> unbound_entries;  // pushed with dynamic number 0, oldest first
EntryTable<uint64_t> entry_by_identity;
bool identity_table_stale = false;

// Answers of file_number_for_dynamic for dynamic numbers in (0, 65536),
// kept equal to entry_by_dynamic: one array read instead of a hash look-up,
// whose cache misses show on large trees. Grown to cover every number bound
// so far; -1 where none is. Other numbers (unusual traces) use the table.
const int32_t dense_dynamic_limit = 1 << 16;
std::vector<int32_t> file_number_by_dynamic;

// Called after entry_by_dynamic[dynamic_number] changed.
void note_dynamic_holder(int32_t dynamic_number)
{
    if (dynamic_number <= 0 || dynamic_number >= dense_dynamic_limit)
        return;
    if (static_cast<size_t>(dynamic_number) >= file_number_by_dynamic.size()) {
        size_t size = file_number_by_dynamic.empty() ? 64 : file_number_by_dynamic.size();
        while (size <= static_cast<size_t>(dynamic_number))
            size *= 2;
        file_number_by_dynamic.assign(size, -1);
        entry_by_dynamic.for_each([size](int32_t number, const FileEntry *holder) {
            if (number > 0 && static_cast<size_t>(number) < size)
                file_number_by_dynamic[number] = holder->file_number;
        });
    }
    file_number_by_dynamic[dynamic_number] = entry_by_dynamic[dynamic_number]->file_number;
}

uint64_t sequence_of(const FileEntry *entry)
{
    return reinterpret_cast<const EntryRecord *>(entry)->sequence;
}

uint64_t identity_key(uint32_t first, uint32_t second)
{
    return (static_cast<uint64_t>(first) << 32) | second;
}

// Makes entry the holder of key in table when it is newer than the holder.
template <typename Key>
void claim_if_newer(EntryTable<Key> &table, Key key, FileEntry *entry)
{
    FileEntry *&holder = table[key];
    if (!holder || sequence_of(entry) > sequence_of(holder))
        holder = entry;
}

FileEntry *push_entry(int32_t file_number, int32_t dynamic_number, uint32_t first,
                      uint32_t second, const char *name, TestNode *file_node)
{
    EntryRecord *record = static_cast<EntryRecord *>(mem_alloc(sizeof(EntryRecord)));
    record->sequence = next_sequence++;
    FileEntry *entry = &record->entry;
    entry->file_number = file_number;
    entry->dynamic_number = dynamic_number;
    entry->identity_first = first;
    entry->identity_second = second;
    entry->source_name = mem_strdup(name);
    entry->file_node = file_node;
    entry->next = list_head;
    list_head = entry;

    if (file_node)
        driver_entries.push_back(entry);
    entry_by_number[file_number] = entry;
    if (dynamic_number == 0)
        unbound_entries.push_back(entry);
    else
        entry_by_dynamic[dynamic_number] = entry;
    note_dynamic_holder(dynamic_number);
    if (!identity_table_stale)
        entry_by_identity[identity_key(first, second)] = entry;
    return entry;
}

FileEntry *first_entry_with_number(int32_t file_number)
{
    return entry_by_number.find(file_number);
}

FileEntry *first_entry_with_identity(uint32_t first, uint32_t second)
{
    if (identity_table_stale) {
        entry_by_identity.clear();
        for (FileEntry *entry = list_head; entry; entry = entry->next) {
            FileEntry *&holder = entry_by_identity[identity_key(entry->identity_first, entry->identity_second)];
            if (!holder)  // the newest comes first
                holder = entry;
        }
        identity_table_stale = false;
    }
    return entry_by_identity.find(identity_key(first, second));
}

}  // namespace

void file_list_add_driver(int32_t file_number, TestNode *driver)
{
    push_entry(file_number, 0, 0, 0, nullptr, driver);
}

void set_file_names(int32_t file_number, const char *name)
{
    FileEntry *entry = first_entry_with_number(file_number);
    if (!entry)
        return;
    char *copy = mem_strdup(name);
    mem_free(entry->source_name);
    entry->source_name = copy;
}

void set_file_identity(int32_t file_number, uint32_t first, uint32_t second)
{
    FileEntry *entry = first_entry_with_number(file_number);
    if (!entry)
        return;
    const uint64_t old_key = identity_key(entry->identity_first, entry->identity_second);
    const uint64_t new_key = identity_key(first, second);
    entry->identity_first = first;
    entry->identity_second = second;
    if (old_key == new_key || identity_table_stale)
        return;
    if (entry_by_identity.find(old_key) == entry) {
        // Which older entry now holds the old pair is unknown: rebuild when
        // the table is next needed.
        identity_table_stale = true;
        return;
    }
    claim_if_newer(entry_by_identity, new_key, entry);
}

void bind_dynamic_file(int32_t dynamic_number, uint32_t first, uint32_t second)
{
    FileEntry *entry = first_entry_with_identity(first, second);
    if (!entry)
        return;
    if (entry->dynamic_number == 0) {
        entry->dynamic_number = dynamic_number;
        if (dynamic_number != 0) {
            claim_if_newer(entry_by_dynamic, dynamic_number, entry);
            note_dynamic_holder(dynamic_number);
        }
        return;
    }
    push_entry(entry->file_number, dynamic_number, first, second, entry->source_name, nullptr);
}

int32_t file_number_for_dynamic(int32_t dynamic_number)
{
    if (dynamic_number == 0) {
        while (!unbound_entries.empty() && unbound_entries.back()->dynamic_number != 0)
            unbound_entries.pop_back();
        return unbound_entries.empty() ? -1 : unbound_entries.back()->file_number;
    }
    if (dynamic_number > 0 && dynamic_number < dense_dynamic_limit)
        return static_cast<size_t>(dynamic_number) < file_number_by_dynamic.size()
                   ? file_number_by_dynamic[dynamic_number]
                   : -1;
    const FileEntry *holder = entry_by_dynamic.find(dynamic_number);
    return holder ? holder->file_number : -1;
}

int file_count()
{
    return static_cast<int>(driver_entries.size());
}

TestNode *file_node_at(int position)
{
    if (position < 0 || static_cast<size_t>(position) >= driver_entries.size())
        return nullptr;
    return driver_entries[driver_entries.size() - 1 - position]->file_node;
}

char *file_name_of(int32_t file_number)
{
    const FileEntry *entry = first_entry_with_number(file_number);
    return entry ? mem_strdup(entry->source_name) : nullptr;
}

const char *file_name_view(int32_t file_number)
{
    const FileEntry *entry = first_entry_with_number(file_number);
    return entry ? entry->source_name : nullptr;
}

FileEntry *file_list_head()
{
    return list_head;
}

void file_list_clear()
{
    while (list_head) {
        FileEntry *next = list_head->next;
        mem_free(list_head->source_name);
        mem_free(list_head);  // the EntryRecord begins at the entry
        list_head = next;
    }
    next_sequence = 1;
    std::vector<FileEntry *>().swap(driver_entries);
    entry_by_number.clear();
    entry_by_dynamic.clear();
    std::vector<FileEntry *>().swap(unbound_entries);
    entry_by_identity.clear();
    identity_table_stale = false;
    std::vector<int32_t>().swap(file_number_by_dynamic);
}
