// Bump allocation for the tree's many small records. Nodes with their counter
// blocks, node texts and message entries live as long as the tree does, so
// they are carved out of large blocks and released all at once by the tree's
// free; this saves the per-record allocator overhead on millions of nodes and
// makes freeing a tree of any shape a loop over a few blocks.
#pragma once

#include <cstddef>
#include <vector>

// Bytes of any record kind, 8-byte aligned unless asked for alignment 1.
struct ByteArena {
    std::vector<char *> blocks;
    char *cursor = nullptr;
    size_t left = 0;
};

void *arena_alloc(ByteArena &arena, size_t size, size_t alignment = 8);
// A NUL-terminated copy of length bytes of text.
char *arena_strndup(ByteArena &arena, const char *text, size_t length);
void arena_release(ByteArena &arena);
