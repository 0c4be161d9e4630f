// The one in-memory model of a run: test nodes linked by parent, child and
// sibling links, an index by (file number, identifier) in which the first node
// inserted per key wins, and the list of file sections, newest first.
//
// Every look-up is expected constant time: the index is a hash map, equal
// children are found through a per-context map built on first use, and the
// file list keeps side tables for its "first entry from the head" queries.
#pragma once

#include <cstddef>
#include <cstdint>

enum NodeType {
    NODE_CHECK_EXPRESSION = 3,
    NODE_COMMENT = 7,
    NODE_CHECK_STUB = 9,
    NODE_TEST_DRIVER = 15,
    NODE_PROC = 17,
    NODE_PRINT = 18,
    NODE_STUB = 23,
    NODE_TEST_CASE = 26,
    NODE_TEST_CLASS = 27,
    NODE_TEST_SUITE = 29,
};

enum Verdict {
    VERDICT_NOT_EXECUTED = 0,
    VERDICT_EXECUTED = 1,
    VERDICT_FAILED = 2,
    VERDICT_PASSED = 3,
    VERDICT_NONE = 4,  // no verdict of its own
};

struct CheckCounters {
    int32_t total_count;
    int32_t pass_count;
    int32_t fail_count;
    int32_t entry_count;
};

struct TestNode;

// Nodes and texts are named by 32-bit references into the tree's stores
// (node_store.h); these fields read like the pointers they stand for.

// A link to another node, or none.
struct NodeLink {
    uint32_t at;  // 0: none
    operator TestNode *() const;
    TestNode *operator->() const { return *this; }
};

// A node's text: NUL-terminated, local 8-bit, never null, stored once per
// distinct text and shared by every node that carries it.
struct NodeText {
    uint32_t at;
    operator const char *() const;
};

// A node's counters: present exactly for nodes made as check nodes, and then
// stored right after the node.
struct NodeCounters {
    uint8_t present;
    operator CheckCounters *() const;
    CheckCounters *operator->() const { return *this; }
    CheckCounters &operator*() const { return *static_cast<CheckCounters *>(*this); }
};

// 36 bytes; a check node takes 24 more for its counters and the place of its
// last message. Types (1 to 36) and verdicts (0 to 4) are small numbers.
struct TestNode {
    int16_t type;
    int8_t status;
    NodeCounters extension;
    int32_t file_number;
    uint32_t identifier;
    NodeText text;
    int32_t line;
    NodeLink parent;
    NodeLink next_sibling;
    NodeLink first_child;
    NodeLink last_child;
};

#include "tree/node_store.h"

inline NodeLink::operator TestNode *() const
{
    return at ? node_at(at) : nullptr;
}

inline NodeText::operator const char *() const
{
    return text_at(at);
}

inline NodeCounters::operator CheckCounters *() const
{
    if (!present)
        return nullptr;
    const char *node = reinterpret_cast<const char *>(this) - offsetof(TestNode, extension);
    return reinterpret_cast<CheckCounters *>(const_cast<char *>(node) + sizeof(TestNode));
}

struct FileEntry {
    int32_t file_number;
    int32_t dynamic_number;  // 0: not yet bound
    uint32_t identity_first;
    uint32_t identity_second;
    char *source_name;   // owned, or null
    TestNode *file_node;  // null for a copy entry made by bind_dynamic_file
    FileEntry *next;
};

typedef void (*NodeVisitor)(TestNode *node, void *context);

void tree_init();
// Bucket of the historical 97-bucket layout; kept for reference and tests.
uint32_t key_bucket(int32_t file_number, uint32_t identifier);
TestNode *find_node(int32_t file_number, uint32_t identifier);
// The reference (node_store.h) of the node find_node gives, 0 for none. It
// reads only the index and the nodes' keys, never the table of node blocks,
// which grows as nodes are made: a second thread may call it while the
// first makes copies (which the index never takes).
uint32_t find_node_reference(int32_t file_number, uint32_t identifier);
// The type that the node find_node gives was made with (retyping does not
// change it), 0 when there is no such node, or unknown_made_type when the
// index does not know. Safe from a second thread as find_node_reference is.
const int unknown_made_type = 255;
int indexed_made_type(int32_t file_number, uint32_t identifier);
// For readers that look many nodes up in a row, one file section at a time:
// the section's array of node references by identifier, size entries (none
// when the index keeps no array for the file number). A nonzero reference
// is find_node_reference's answer; for a 0, or an identifier past size, ask
// find_node_reference. The array stays where it is while no node is indexed.
struct IndexView {
    const uint32_t *references = nullptr;
    // The types the nodes were made with, by identifier, size entries; a 0
    // is an identifier to ask indexed_made_type about.
    const uint8_t *made_types = nullptr;
    uint32_t size = 0;
};
IndexView index_view(int32_t file_number);
// A hint ahead of index_view(file_number).
void prefetch_index_view(int32_t file_number);
// A hint: start loading a node, counters included.
inline void prefetch_node(const TestNode *node)
{
    const char *bytes = reinterpret_cast<const char *>(node);
    __builtin_prefetch(bytes);
    // The end of a check node's counters, which may lie in the next cache line.
    __builtin_prefetch(bytes + sizeof(TestNode) + sizeof(CheckCounters) - 1);
}
void index_insert(TestNode *node);
TestNode *create_node(int32_t type, int32_t file_number, uint32_t identifier,
                      const char *text, TestNode *parent, int32_t line);
void add_child(int32_t file_number, int32_t type, uint32_t identifier, const char *text,
               uint32_t parent_identifier, int32_t line);
// add_child with the text's length and text_store_hash (below) known, as
// readers work them out ahead.
void add_child_stored(int32_t file_number, int32_t type, uint32_t identifier, const char *text,
                      size_t length, uint64_t text_hash, uint32_t parent_identifier, int32_t line);
TestNode *append_copy(TestNode *context, TestNode *model);
// The same for a model that find_node gives for its own key (both given),
// which spares the look-up that finds the key taken.
TestNode *append_copy_of_indexed(TestNode *context, TestNode *model);
// Sizes the table that finds stored texts for about this many distinct
// texts at once, so that it need not grow (and place every text again) as
// they come; a table already that large is left alone.
void reserve_text_table(size_t texts);
// For callers that create many nodes in a row: the key under which a node
// text is stored, and hints that start loading what storing it will read,
// so that the memory accesses of several nodes overlap. Give the first hint
// some nodes ahead and the second (with the text's length, for its end)
// about half as far.
uint64_t text_store_hash(const char *text, size_t length);
void prefetch_text_slot(uint64_t hash);
void prefetch_stored_text(uint64_t hash, size_t length);
// Tells the tree that few or no new node texts are coming (the dynamic trace
// only copies nodes): the table that finds a stored text again is freed, and
// made again from the stored texts should a new text come after all.
void tree_texts_complete();
TestNode *find_equal_child(TestNode *context, TestNode *model);
// The same for a model that find_node gave for its own key, which spares
// looking it up again.
TestNode *find_equal_child_of_indexed(TestNode *context, TestNode *model);
// Takes text (allocated with mem_alloc) and frees it. The text goes to the
// message spool, and only nodes made as check nodes keep messages: for any
// other node (or a null one) the text is only freed.
void add_message(TestNode *node, char *text);
// add_message of a copy of length bytes of text; the text stays the caller's.
void add_message_bytes(TestNode *node, const char *text, size_t length);
bool has_messages(const TestNode *node);
// Visits the node's messages (local 8-bit) in arrival order; each text is
// valid during its call only.
typedef void (*MessageVisitor)(const char *text, size_t length, void *context);
void for_each_message(const TestNode *node, MessageVisitor visit, void *context);

void add_file(int32_t file_number, uint32_t identifier, const char *text);
void set_file_names(int32_t file_number, const char *name);
void set_file_identity(int32_t file_number, uint32_t first, uint32_t second);
void bind_dynamic_file(int32_t dynamic_number, uint32_t first, uint32_t second);
int32_t file_number_for_dynamic(int32_t dynamic_number);
int file_count();
TestNode *file_node_at(int position);
// New copy (caller frees with mem_free), or null.
char *file_name_of(int32_t file_number);
// The stored name itself, valid until tree_free; for the report writer's
// per-row links. Null when there is none.
const char *file_name_view(int32_t file_number);
// Head of the file list (newest first), for walks over every section.
FileEntry *file_list_head();

// Children before their parent, siblings in order, starting at node and
// going on along its following siblings. Never recurses.
void walk_tree(TestNode *node, NodeVisitor visitor, void *context);
void for_each_child(TestNode *node, NodeVisitor visitor, void *context);

// Nodes made since the tree was last freed, copies included.
size_t tree_node_count();

void tree_free();
