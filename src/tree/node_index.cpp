// The node index: the first node inserted per (file number, identifier).
//
// Identifiers within a file section are small numbers handed out in order,
// so each section keeps a plain array indexed by identifier: a look-up is
// one array read next to the look-ups before it, which keeps large trees
// fast once they no longer fit in the processor's caches. Identifiers far
// beyond a section's size (hostile or unusual traces) go to a flat set of
// tagged node pointers keyed by the pair (flat_node_set.h). Nothing is ever
// removed; tree_free drops everything.
#include "tree/tree_internal.h"

#include "tree/flat_node_set.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

FlatNodeSet index_slots;

// Dense arrays, by file number, for file numbers in this range.
const int32_t dense_file_limit = 1 << 20;
// An identifier goes into its section's array while it is below twice the
// section's node count plus this slack, so an array is never mostly empty.
const uint32_t dense_slack = 4096;

struct DenseSection {
    std::vector<uint32_t> by_identifier;  // node references, 0 for none
    // The type each node was made with (indexed_made_type), by identifier;
    // the same length as by_identifier.
    std::vector<uint8_t> made_types;
    uint32_t count = 0;
};
std::vector<DenseSection> dense_sections;

DenseSection *dense_section(int32_t file_number)
{
    if (file_number < 0 || file_number >= static_cast<int32_t>(dense_sections.size()))
        return nullptr;
    return &dense_sections[file_number];
}

uint64_t key_hash(int32_t file_number, uint32_t identifier)
{
    uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(file_number)) << 32) | identifier;
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    key ^= key >> 33;
    return key;
}

uint64_t node_key_hash(const TestNode *node)
{
    return key_hash(node->file_number, node->identifier);
}

}  // namespace

uint32_t key_bucket(int32_t file_number, uint32_t identifier)
{
    char text[32];
    const int length = snprintf(text, sizeof text, "%d/%lxh", file_number,
                                static_cast<unsigned long>(identifier));
    uint32_t sum = 0;
    for (int i = 0; i < length; ++i)
        sum += static_cast<uint32_t>(static_cast<unsigned char>(text[i])) * static_cast<uint32_t>(i + 1);
    return sum % 97;
}

namespace {

TestNode *find_unusual_node(int32_t file_number, uint32_t identifier)
{
    if (!index_slots.used)
        return nullptr;
    return flat_find(index_slots, key_hash(file_number, identifier),
                     [file_number, identifier](const TestNode *node) {
                         return node->file_number == file_number && node->identifier == identifier;
                     });
}

uint32_t find_dense_reference(int32_t file_number, uint32_t identifier)
{
    if (const DenseSection *section = dense_section(file_number)) {
        if (identifier < section->by_identifier.size())
            return section->by_identifier[identifier];
    }
    return 0;
}

}  // namespace

TestNode *find_node(int32_t file_number, uint32_t identifier)
{
    if (const uint32_t reference = find_dense_reference(file_number, identifier))
        return node_at(reference);
    return find_unusual_node(file_number, identifier);
}

int indexed_made_type(int32_t file_number, uint32_t identifier)
{
    if (const DenseSection *section = dense_section(file_number)) {
        // Made types are never 0, so a 0 there is an identifier the array
        // does not hold.
        if (identifier < section->made_types.size() && section->made_types[identifier])
            return section->made_types[identifier];
    }
    return index_slots.used ? unknown_made_type : 0;
}

uint32_t find_node_reference(int32_t file_number, uint32_t identifier)
{
    if (const uint32_t reference = find_dense_reference(file_number, identifier))
        return reference;
    const TestNode *node = find_unusual_node(file_number, identifier);
    return node ? node_reference(node) : 0;
}

IndexView index_view(int32_t file_number)
{
    IndexView view;
    if (const DenseSection *section = dense_section(file_number)) {
        view.references = section->by_identifier.data();
        view.made_types = section->made_types.data();
        view.size = static_cast<uint32_t>(section->by_identifier.size());
    }
    return view;
}

void prefetch_index_view(int32_t file_number)
{
    if (const DenseSection *section = dense_section(file_number))
        __builtin_prefetch(section);
}

void index_insert(TestNode *node)
{
    if (node)
        index_insert_reference(node, node_reference(node));
}

bool index_insert_reference(TestNode *node, uint32_t reference)
{
    if (find_node(node->file_number, node->identifier))
        return false;  // the first node with this key stays
    const int32_t file_number = node->file_number;
    if (file_number >= 0 && file_number < dense_file_limit) {
        if (file_number >= static_cast<int32_t>(dense_sections.size()))
            dense_sections.resize(file_number + 1);
        DenseSection &section = dense_sections[file_number];
        const uint32_t identifier = node->identifier;
        if (identifier < 2 * static_cast<uint64_t>(section.count) + dense_slack) {
            if (identifier >= section.by_identifier.size()) {
                // Sections are mostly some tens to hundreds of nodes: room
                // for 64 at once spares their first several resizings.
                const size_t size = std::max<size_t>({identifier + 1, section.by_identifier.size() * 3 / 2, 64});
                section.by_identifier.resize(size, 0);
                section.made_types.resize(size, 0);
            }
            section.by_identifier[identifier] = reference;
            section.made_types[identifier] =
                node->type > 0 && node->type < unknown_made_type ? static_cast<uint8_t>(node->type) : unknown_made_type;
            ++section.count;
            return true;
        }
    }
    flat_insert(index_slots, reference, node_key_hash(node));
    return true;
}

void index_clear()
{
    flat_clear(index_slots);
    std::vector<DenseSection>().swap(dense_sections);
}
