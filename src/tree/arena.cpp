// Block allocation behind the tree's records; see arena.h.
#include "tree/arena.h"

#include "diagnostics/memory.h"

#include <cstdint>
#include <cstring>

namespace {

#ifndef TALLY_ARENA_BLOCK_SIZE
#define TALLY_ARENA_BLOCK_SIZE (64 * 1024)  // smaller in fuzz builds
#endif
const size_t arena_block_size = TALLY_ARENA_BLOCK_SIZE;
// Requests above this get a block of their own, so a huge text never
// wastes the rest of a shared block.
const size_t arena_large_request = arena_block_size / 4;

}  // namespace

void *arena_alloc(ByteArena &arena, size_t size, size_t alignment)
{
    if (size == 0)
        size = 1;
    if (size > arena_large_request) {
        // The cursor keeps pointing into the current shared block.
        char *block = static_cast<char *>(mem_alloc(size));
        arena.blocks.push_back(block);
        return block;
    }
    size_t padding = 0;
    if (alignment > 1) {
        const size_t misalignment = reinterpret_cast<uintptr_t>(arena.cursor) & (alignment - 1);
        padding = misalignment ? alignment - misalignment : 0;
    }
    if (!arena.cursor || arena.left < size + padding) {
        char *block = static_cast<char *>(mem_alloc(arena_block_size));
        arena.blocks.push_back(block);
        arena.cursor = block;
        arena.left = arena_block_size;
        padding = 0;
    }
    char *result = arena.cursor + padding;
    arena.cursor = result + size;
    arena.left -= size + padding;
    return result;
}

char *arena_strndup(ByteArena &arena, const char *text, size_t length)
{
    char *copy = static_cast<char *>(arena_alloc(arena, length + 1, 1));
    if (length)
        memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void arena_release(ByteArena &arena)
{
    for (char *block : arena.blocks)
        mem_free(block);
    std::vector<char *>().swap(arena.blocks);
    arena.cursor = nullptr;
    arena.left = 0;
}
