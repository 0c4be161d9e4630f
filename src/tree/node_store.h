// Where the tree's nodes and texts live, and the 32-bit references that name
// them in place of pointers (included by tree.h).
//
// Nodes are carved out of blocks aligned to their size; each block starts
// with its own number, so the reference of a node known by address is one
// read from its block, and a reference names the block and the node's place
// in it in 4-byte units. Texts are kept once per distinct text (interned):
// a reference is a block number and an offset into that block. Both stores
// live as long as the tree and are released together by tree_free.
#pragma once

#include <cstddef>
#include <cstdint>

struct TestNode;

// The block tables, readable by the inline look-ups below.
struct NodeBlocks {
    char **table;         // by block number
    unsigned unit_shift;  // bits of a reference that give the 4-byte unit in a block
    uint32_t unit_mask;
};
struct TextBlocks {
    char **table;  // by block number; block 0 holds only the empty text
    unsigned offset_bits;
    uint32_t offset_mask;
};
extern NodeBlocks node_blocks;
extern TextBlocks text_blocks;

// The node a non-zero reference names.
inline TestNode *node_at(uint32_t reference)
{
    return reinterpret_cast<TestNode *>(node_blocks.table[reference >> node_blocks.unit_shift]
                                        + (size_t(reference & node_blocks.unit_mask) << 2));
}

// The text a reference names; reference 0 is the empty text.
inline const char *text_at(uint32_t reference)
{
    return text_blocks.table[reference >> text_blocks.offset_bits] + (reference & text_blocks.offset_mask);
}

// Room for a node of size bytes (a multiple of 4), zeroed; its reference
// goes to *reference.
TestNode *store_new_node(size_t size, uint32_t *reference);
// The reference of a node made by store_new_node.
uint32_t node_reference(const TestNode *node);
// The reference of the stored copy of length bytes of text (no NUL among
// them); equal texts give equal references.
uint32_t store_text(const char *text, size_t length);
// The same with the text's text_store_hash known.
uint32_t store_text_hashed(const char *text, size_t length, uint64_t hash);
// Frees the table that finds stored texts again; store_text builds it anew
// from the stored texts if it is called after all.
void release_text_table();
void node_store_clear();
void text_store_clear();

// Blocks for the stores: aligned to their size when that is a power of two;
// from 2 MiB up, mapped on their own and given back to the system when
// freed (huge pages back them only where the system gives them unasked).
void *store_block_alloc(size_t size);
void store_block_free(void *block);
// For a store that fills a block from start to end, with *left bytes
// present in memory from cursor on and *absent bytes of the block past
// them: makes more of the block present, in steps, until size bytes are
// (or the block ends), and counts them over. Making pages present in one
// call costs far less than the fault each would take when first written.
void store_make_present(const char *cursor, size_t size, size_t *left, size_t *absent);
