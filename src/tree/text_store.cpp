// The text store: every distinct node text once, in blocks, found again
// through a hash table of references (see node_store.h).
//
// Statement texts repeat a great deal (a helper class's checks, the same call
// in many test cases, every copy of a node), so keeping each text once takes
// a fraction of the memory, and equal texts are equal references.
//
// A reference is a block number and an offset in the block. A text longer
// than a quarter block gets a block of its own. With 32-bit references the
// store holds up to 4 GB of distinct text; a tree that would need more is
// treated as memory running out.
#include "tree/node_store.h"

#include "diagnostics/memory.h"

#include <cstring>
#include <vector>

namespace {

#ifndef TALLY_ARENA_BLOCK_SIZE
#define TALLY_ARENA_BLOCK_SIZE (2 * 1024 * 1024)  // smaller in fuzz builds
#endif
const size_t block_size = TALLY_ARENA_BLOCK_SIZE;
static_assert((block_size & (block_size - 1)) == 0, "text blocks are a power of two");

constexpr unsigned log2_of(size_t value)
{
    return value <= 1 ? 0 : 1 + log2_of(value / 2);
}
const unsigned offset_bits = log2_of(block_size);
const uint32_t offset_mask = static_cast<uint32_t>(block_size - 1);
const size_t block_limit = size_t(1) << (32 - offset_bits);
const size_t large_text = block_size / 4;

// Block 0 holds the empty text alone, so that reference 0 is "".
char empty_text[1] = "";
char *initial_table[1] = {empty_text};

// blocks[0] is empty_text once any text is stored. Never destroyed, like the
// blocks it lists: a run may end without freeing the tree.
std::vector<char *> &blocks = *new std::vector<char *>;
std::vector<size_t> block_used;  // bytes of texts in each block
char *cursor = nullptr;
size_t left = 0;    // bytes made present from the cursor on (store_make_present)
size_t absent = 0;  // bytes of the block past them
uint32_t cursor_reference = 0;

// Open addressing, probed linearly: each slot holds, from the top, the top
// 30 bits of its text's hash and its reference (0 marks an empty slot; no
// stored text has reference 0). A probe reads a text only when the
// hash bits match. The place a text is probed from comes from those bits
// too, so that the table grows without reading any stored text again.
const unsigned tag_shift = 34;
uint64_t *slots = nullptr;
size_t slot_count = 0;  // zero or a power of two
size_t used = 0;

// The high and the low half of the 128-bit product, folded: one step mixes
// sixteen bytes into the hash.
uint64_t fold_product(uint64_t a, uint64_t b)
{
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

uint64_t load8(const char *bytes)
{
    uint64_t word;
    memcpy(&word, bytes, 8);
    return word;
}

uint64_t load4(const char *bytes)
{
    uint32_t word;
    memcpy(&word, bytes, 4);
    return word;
}

}  // namespace

uint64_t text_store_hash(const char *text, size_t length)
{
    // Sixteen bytes a step, the last step's bytes loaded so that they end
    // with the text (overlapping the step before): only the text's own
    // bytes are read, and short texts take no loop at all.
    const uint64_t first = 0xa0761d6478bd642fULL, second = 0xe7037ed1a0b428dbULL;
    uint64_t hash = 0x9e3779b97f4a7c15ULL ^ length;
    uint64_t a = 0, b = 0;
    if (length > 16) {
        size_t i = 0;
        for (; i + 16 < length; i += 16)
            hash = fold_product(load8(text + i) ^ first ^ hash, load8(text + i + 8) ^ second);
        a = load8(text + length - 16);
        b = load8(text + length - 8);
    } else if (length >= 8) {
        a = load8(text);
        b = load8(text + length - 8);
    } else if (length >= 4) {
        a = load4(text);
        b = load4(text + length - 4);
    } else if (length > 0) {
        a = static_cast<uint64_t>(static_cast<unsigned char>(text[0])) << 16
            | static_cast<uint64_t>(static_cast<unsigned char>(text[length / 2])) << 8
            | static_cast<unsigned char>(text[length - 1]);
    }
    hash = fold_product(a ^ first ^ hash, b ^ second);
    return fold_product(hash ^ 0x8ebc6af09c88c6e3ULL, length ^ first);
}

namespace {

uint32_t new_block(char *block)
{
    if (blocks.empty()) {
        blocks.push_back(empty_text);
        block_used.push_back(0);
    }
    if (blocks.size() == block_limit)
        die_out_of_memory();
    blocks.push_back(block);
    block_used.push_back(0);
    text_blocks.table = blocks.data();
    return static_cast<uint32_t>(blocks.size() - 1) << offset_bits;
}

uint32_t append_text(const char *text, size_t length)
{
    const size_t size = length + 1;
    char *copy;
    uint32_t reference;
    if (size > large_text) {
        copy = static_cast<char *>(store_block_alloc(size));
        reference = new_block(copy);
    } else {
        if (left < size) {
            if (left + absent < size) {
                cursor = static_cast<char *>(store_block_alloc(block_size));
                cursor_reference = new_block(cursor);
                left = 0;
                absent = block_size;
            }
            store_make_present(cursor, size, &left, &absent);
        }
        copy = cursor;
        reference = cursor_reference;
        cursor += size;
        cursor_reference += static_cast<uint32_t>(size);
        left -= size;
    }
    memcpy(copy, text, length);
    copy[length] = '\0';
    block_used[reference >> offset_bits] += size;
    return reference;
}

// Where probing for a text with this hash (or for this slot) starts.
size_t home_of(uint64_t hash)
{
    return static_cast<size_t>(hash >> tag_shift) & (slot_count - 1);
}

void place(uint64_t slot)
{
    const size_t mask = slot_count - 1;
    size_t at = home_of(slot);
    while (slots[at])
        at = (at + 1) & mask;
    slots[at] = slot;
}

// Whether the table was released while texts were stored (see
// release_text_table): it is then built again from the blocks.
bool table_released = false;

void new_table(size_t count)
{
    slot_count = count;
    slots = static_cast<uint64_t *>(store_block_alloc(slot_count * sizeof *slots));
    memset(slots, 0, slot_count * sizeof *slots);
}

// The slots a table needs to hold this many texts at a load of at most five
// eighths: a power of two, at least 1024.
size_t slots_for(size_t texts)
{
    size_t count = 1024;
    while (count * 5 < (texts + 1) * 8)
        count *= 2;
    return count;
}

// Builds the table again from the stored texts, with room for this many.
void rebuild_table(size_t texts)
{
    table_released = false;
    new_table(slots_for(texts > used ? texts : used));
    for (size_t b = 1; b < blocks.size(); ++b) {
        for (size_t at = 0; at < block_used[b];) {
            const char *stored = blocks[b] + at;
            const size_t length = strlen(stored);
            const uint32_t reference = static_cast<uint32_t>(b << offset_bits | at);
            const uint64_t hash = text_store_hash(stored, length);
            place(((hash >> tag_shift) << tag_shift) | reference);
            at += length + 1;
        }
    }
}

// A table of count slots, holding the texts of the one before.
void resize_table(size_t count)
{
    uint64_t *old = slots;
    const size_t old_count = slot_count;
    new_table(count);
    for (size_t i = 0; i < old_count; ++i) {
        if (old[i])
            place(old[i]);
    }
    if (old)
        store_block_free(old);
}

// Keeps the load at or below five eighths.
void grow_if_needed()
{
    if (table_released)
        rebuild_table(used);
    if ((used + 1) * 8 > slot_count * 5)
        resize_table(slot_count ? slot_count * 2 : 1024);
}

}  // namespace

TextBlocks text_blocks = {initial_table, offset_bits, offset_mask};

uint32_t store_text(const char *text, size_t length)
{
    return length ? store_text_hashed(text, length, text_store_hash(text, length)) : 0;
}

uint32_t store_text_hashed(const char *text, size_t length, uint64_t hash)
{
    if (length == 0)
        return 0;
    grow_if_needed();
    const uint64_t tag = hash >> tag_shift;
    const size_t mask = slot_count - 1;
    size_t at = home_of(hash);
    for (;; at = (at + 1) & mask) {
        const uint64_t slot = slots[at];
        if (!slot) {
            slots[at] = (tag << tag_shift) | append_text(text, length);
            ++used;
            break;
        }
        if ((slot >> tag_shift) == tag) {
            const char *stored = text_at(static_cast<uint32_t>(slot));
            if (strncmp(stored, text, length) == 0 && stored[length] == '\0')
                break;
        }
    }
    return static_cast<uint32_t>(slots[at]);
}

void reserve_text_table(size_t texts)
{
    if (table_released)
        rebuild_table(texts);
    else if (slots_for(texts) > slot_count)
        resize_table(slots_for(texts));
}

void release_text_table()
{
    if (!slots)
        return;
    store_block_free(slots);
    slots = nullptr;
    slot_count = 0;
    table_released = true;
}

void prefetch_text_slot(uint64_t hash)
{
    if (slots)
        __builtin_prefetch(&slots[home_of(hash)]);
}

void prefetch_stored_text(uint64_t hash, size_t length)
{
    if (!slots)
        return;
    const uint64_t slot = slots[home_of(hash)];
    if (slot && (slot >> tag_shift) == (hash >> tag_shift)) {
        const char *text = text_at(static_cast<uint32_t>(slot));
        __builtin_prefetch(text);
        __builtin_prefetch(text + length);  // the line holding its end, when equal
    }
}

void text_store_clear()
{
    for (size_t i = 1; i < blocks.size(); ++i)
        store_block_free(blocks[i]);
    std::vector<char *>().swap(blocks);
    std::vector<size_t>().swap(block_used);
    table_released = false;
    text_blocks.table = initial_table;
    cursor = nullptr;
    left = 0;
    absent = 0;
    cursor_reference = 0;
    if (slots)
        store_block_free(slots);
    slots = nullptr;
    slot_count = 0;
    used = 0;
}
