// Fuzz harness of the static trace reader: any bytes as one static trace,
// read from memory into a fresh tree. Besides the sanitizers' findings it
// checks the shape of what was built: parent and child links agree, every
// node is found in the index under its own key or shares it with an
// earlier one, and the roll-up leaves only known verdicts.
#include "fuzz_support.h"

#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "tree/rollup.h"
#include "tree/tree.h"

#include <string>

namespace {

struct ShapeCheck {
    size_t nodes = 0;
};

void check_node(TestNode *node, void *context)
{
    ++static_cast<ShapeCheck *>(context)->nodes;
    TestNode *last = nullptr;
    for (TestNode *child = node->first_child; child; child = child->next_sibling) {
        FUZZ_CHECK(child->parent == node, "child with another parent");
        last = child;
    }
    FUZZ_CHECK(node->last_child == last, "last child link out of date");
    FUZZ_CHECK(node->text != nullptr, "node without text");
    const TestNode *indexed = find_node(node->file_number, node->identifier);
    FUZZ_CHECK(indexed && indexed->file_number == node->file_number
                   && indexed->identifier == node->identifier,
               "node missing from the index");
    FUZZ_CHECK(node->status >= 0 && node->status <= 4, "verdict out of range");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz_start_application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_reset_state();
    tree_init();
    TraceStream *stream = trace_open_memory(reinterpret_cast<const char *>(data), size);
    int32_t counter = 0;
    const int result = read_static_stream(stream, "fuzz.tsf", &counter);
    trace_close(stream);
    FUZZ_CHECK(result == 0, "the static reader failed on a memory stream");
    FUZZ_CHECK(counter >= 0 && static_cast<size_t>(counter) <= size, "section counter out of range");

    roll_up_verdicts();
    ShapeCheck check;
    for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
        if (entry->file_node)
            walk_tree(entry->file_node, check_node, &check);
    FUZZ_CHECK(check.nodes <= size + 1, "more nodes than the input can describe");
    fuzz_reset_state();
    return 0;
}
