// A text picture of the whole tree for tests: every section from the head of
// the file list, its nodes in pre-order, one line each, without escaping, so
// that a test can compare the tree after reading a trace with one string.
#include "tree/dump.h"

#include "tree/tree.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

namespace {

struct MessageJoin {
    std::string *out;
    bool first;
};

void append_message(const char *text, size_t length, void *context)
{
    MessageJoin &join = *static_cast<MessageJoin *>(context);
    if (!join.first)
        *join.out += '|';
    join.first = false;
    join.out->append(text, length);
}

void append_node_line(std::string &out, const TestNode *node, size_t depth)
{
    out.append(depth * 2, ' ');
    char numbers[64];
    snprintf(numbers, sizeof numbers, "%" PRId32 " %" PRId32 "/%" PRIx32 " \"", node->type,
             node->file_number, node->identifier);
    out += numbers;
    if (node->text)
        out += node->text;
    snprintf(numbers, sizeof numbers, "\" line=%" PRId32 " status=%" PRId32, node->line,
             node->status);
    out += numbers;
    if (const CheckCounters *counters = node->extension) {
        snprintf(numbers, sizeof numbers, " [%" PRId32 "/%" PRId32 "/%" PRId32 "/%" PRId32 "]",
                 counters->total_count, counters->pass_count, counters->fail_count,
                 counters->entry_count);
        out += numbers;
    }
    if (has_messages(node)) {
        out += " {";
        MessageJoin join{&out, true};
        for_each_message(node, append_message, &join);
        out += '}';
    }
    out += '\n';
}

void append_file_tree(std::string &out, const TestNode *root)
{
    std::vector<const TestNode *> open;  // ancestors of node, outermost first
    const TestNode *node = root;
    while (node) {
        append_node_line(out, node, open.size());
        if (node->first_child) {
            open.push_back(node);
            node = node->first_child;
            continue;
        }
        // Climb until a node with a next sibling; stop at the root.
        while (node != root && !node->next_sibling) {
            node = open.back();
            open.pop_back();
        }
        node = node == root ? nullptr : static_cast<const TestNode *>(node->next_sibling);
    }
}

}  // namespace

std::string dump_tree()
{
    std::string out;
    for (const FileEntry *entry = file_list_head(); entry; entry = entry->next)
        if (entry->file_node)
            append_file_tree(out, entry->file_node);
    return out;
}
