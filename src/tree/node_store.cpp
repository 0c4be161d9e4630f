// The node store: see node_store.h.
//
// A node reference is a block number and a place in 4-byte units; the first
// unit of every block holds the block's number, so no node has reference 0.
// With 32-bit references the store holds up to 16 GB of nodes; a tree that
// would need more is treated as memory running out.
#include "tree/node_store.h"

#include "diagnostics/memory.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <vector>

namespace {

#ifndef TALLY_ARENA_BLOCK_SIZE
#define TALLY_ARENA_BLOCK_SIZE (2 * 1024 * 1024)  // smaller in fuzz builds
#endif
const size_t block_size = TALLY_ARENA_BLOCK_SIZE;
static_assert((block_size & (block_size - 1)) == 0 && block_size >= 256,
              "node blocks are a power of two, aligned to their size");

constexpr unsigned log2_of(size_t value)
{
    return value <= 1 ? 0 : 1 + log2_of(value / 2);
}
const unsigned unit_shift = log2_of(block_size / 4);
const uint32_t unit_mask = static_cast<uint32_t>(block_size / 4 - 1);
const size_t block_limit = size_t(1) << (32 - unit_shift);
// Blocks of 2 MiB and more are mapped on their own (store_block_alloc), and
// the system hands out mapped memory cleared: nodes taken from them need no
// clearing of their own.
const size_t huge_page = size_t(2) << 20;
const bool blocks_come_zeroed = block_size >= huge_page;

// Never destroyed, like the blocks it lists: a run may end without freeing
// the tree.
std::vector<char *> &blocks = *new std::vector<char *>;
char *cursor = nullptr;
size_t left = 0;    // bytes made present from the cursor on (store_make_present)
size_t absent = 0;  // bytes of the block past them
uint32_t next_reference = 0;

void start_block()
{
    if (blocks.size() == block_limit)
        die_out_of_memory();
    void *block = store_block_alloc(block_size);
    const uint32_t number = static_cast<uint32_t>(blocks.size());
    blocks.push_back(static_cast<char *>(block));
    node_blocks.table = blocks.data();
    memcpy(block, &number, sizeof number);
    cursor = static_cast<char *>(block) + 4;
    left = 0;
    absent = block_size - 4;
    next_reference = (number << unit_shift) | 1;
}

// Room for size bytes at the cursor, present in memory.
void make_room(size_t size)
{
    if (left + absent < size)
        start_block();
    store_make_present(cursor, size, &left, &absent);
}

}  // namespace

NodeBlocks node_blocks = {nullptr, unit_shift, unit_mask};

namespace {

// Sizes of the blocks mapped directly, by address: store_block_free needs
// them back.
std::vector<std::pair<void *, size_t>> mapped_blocks;

}  // namespace

void *store_block_alloc(size_t size)
{
    if (size < huge_page) {
        // Small blocks (fuzz builds) from the heap, aligned to their size.
        size_t alignment = alignof(std::max_align_t);
        if ((size & (size - 1)) == 0 && size > alignment)
            alignment = size;
        void *block = nullptr;
        if (posix_memalign(&block, alignment, size) != 0)
            die_out_of_memory();
        return block;
    }
    // Large blocks are mapped on their own, 2 MiB aligned, so that freeing
    // one gives its memory back to the system rather than leaving it to the
    // heap, and so that huge pages can back them where the system gives
    // them to every mapping. They are not asked for: on virtual machines
    // that hand freed memory back to their host, a huge page is often
    // memory the host must supply anew, and taking the tree's first 200 MB
    // that way cost up to 0.4 s against 0.07 s in small pages, far more
    // than fewer address-translation misses save later.
    const size_t length = (size + huge_page - 1) & ~(huge_page - 1);
    void *mapped = mmap(nullptr, length + huge_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        die_out_of_memory();
    char *start = static_cast<char *>(mapped);
    char *aligned = reinterpret_cast<char *>((reinterpret_cast<uintptr_t>(start) + huge_page - 1) & ~(huge_page - 1));
    if (aligned > start)
        munmap(start, static_cast<size_t>(aligned - start));
    if (char *tail = aligned + length; tail < start + length + huge_page)
        munmap(tail, static_cast<size_t>(start + length + huge_page - tail));
    mapped_blocks.emplace_back(aligned, length);
    return aligned;
}

void store_block_free(void *block)
{
    for (size_t i = mapped_blocks.size(); i-- > 0;) {
        if (mapped_blocks[i].first == block) {
            munmap(block, mapped_blocks[i].second);
            mapped_blocks[i] = mapped_blocks.back();
            mapped_blocks.pop_back();
            return;
        }
    }
    free(block);
}

void store_make_present(const char *cursor, size_t size, size_t *left, size_t *absent)
{
    // A quarter of a megabyte at a time: one call instead of 64 faults,
    // and at most that much present and not yet written.
    const size_t step = size_t(256) << 10;
    while (*left < size && *absent > 0) {
        const size_t more = *absent < step ? *absent : step;
        mem_make_present(const_cast<char *>(cursor) + *left, more);
        *left += more;
        *absent -= more;
    }
}

TestNode *store_new_node(size_t size, uint32_t *reference)
{
    if (left < size)
        make_room(size);
    char *node = cursor;
    if (!blocks_come_zeroed)
        memset(node, 0, size);
    *reference = next_reference;
    next_reference += static_cast<uint32_t>(size / 4);
    cursor += size;
    left -= size;
    return reinterpret_cast<TestNode *>(node);
}

uint32_t node_reference(const TestNode *node)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(node);
    const uintptr_t base = address & ~uintptr_t(block_size - 1);
    uint32_t number;
    memcpy(&number, reinterpret_cast<const void *>(base), sizeof number);
    return (number << unit_shift) | static_cast<uint32_t>((address - base) >> 2);
}

void node_store_clear()
{
    for (char *block : blocks)
        store_block_free(block);
    std::vector<char *>().swap(blocks);
    node_blocks.table = nullptr;
    cursor = nullptr;
    left = 0;
    absent = 0;
    next_reference = 0;
}
