// Bump allocation for the tree's many small records. Nodes, counter blocks,
// node texts and message entries live as long as the tree does, so they are
// carved out of large blocks and released all at once by the tree's free;
// this saves the per-record allocator overhead on millions of nodes and makes
// freeing a tree of any shape a loop over a few blocks.
#pragma once

#include <cstddef>
#include <vector>

// The full record, not a declaration: pool_for_each indexes node blocks in a
// template that does not depend on its parameter, which clang checks at once.
#include "tree/tree.h"

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

// Fixed-size node slots that can be visited in creation order, so that the
// tree's free can reach every node (linked or not) without walking links.
struct NodePool {
    std::vector<TestNode *> blocks;
    size_t used_in_last = 0;
};

TestNode *pool_new_node(NodePool &pool);  // zero-filled
template <typename Visit> void pool_for_each(const NodePool &pool, Visit visit);
void pool_release(NodePool &pool);

// Fuzz builds define smaller blocks (tests/fuzz/CMakeLists.txt), so that
// their small inputs cross block boundaries.
#ifndef TALLY_NODE_BLOCK_NODES
#define TALLY_NODE_BLOCK_NODES 4096
#endif
const size_t node_pool_block_nodes = TALLY_NODE_BLOCK_NODES;

template <typename Visit> void pool_for_each(const NodePool &pool, Visit visit)
{
    for (size_t b = 0; b < pool.blocks.size(); ++b) {
        const size_t count = b + 1 == pool.blocks.size() ? pool.used_in_last : node_pool_block_nodes;
        for (size_t i = 0; i < count; ++i)
            visit(&pool.blocks[b][i]);
    }
}
