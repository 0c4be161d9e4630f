// Fuzz harness of the dynamic trace reader: any bytes as the dynamic trace,
// applied to a tree built afresh for each input from one fixed static trace
// (two sections sharing an identity, a third of its own, stubs, classes, a
// statement under a statement). Then the roll-up. Checks: the reader
// succeeds, copies are linked under their context, counters never go
// negative and every verdict is a known one.
#include "fuzz_support.h"

#include "readers/jtdffile.h"
#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "tree/rollup.h"
#include "tree/tree.h"

#include <cstring>

namespace {

const char fixed_static_trace[] =
    "DB first section\n"
    "SO \"/src/CalcTest.java\"\n"
    "IN \"File\" 1 \"CalcTest\"\n"
    "ID 64 c8\n"
    "IN \"TestSuite\" 2 \"CalcSuite\"\n"
    "IN \"TestCase\" 3 \"testAdd\"\n"
    "LK 12\n"
    "TX 10 \"calc.add(1, 1) == 2\"\n"
    "LK 13\n"
    "TX 11 \"verifyLogMessage(\\\\\"added\\\\\")\"\n"
    "TX 16 \"createTimer(t)\"\n"
    "SI 2\n"
    "IN \"TestCase\" 4 \"testDivide\"\n"
    "LK 20\n"
    "TX 12 \"calc.divide(4, 2) == 2\"\n"
    "MS 13 \"calc.divide(1, 0) raises\"\n"
    "SI d\n"
    "MS 17 \"nested check\"\n"
    "SI 2\n"
    "IN \"TestStub\" 5 \"LoggerStub\"\n"
    "LK 30\n"
    "TX 14 \"logger.log(message) called\"\n"
    "SI 2\n"
    "IN \"Class\" 6 \"Helper\"\n"
    "IN \"TestCase\" 7 \"testNeverRun\"\n"
    "TX 15 \"calc.sub(2, 1) == 1\"\n"
    "ED \n"
    "SO \"/src/CalcTest2.java\"\n"
    "IN \"File\" 1 \"CalcTestAgain\"\n"
    "ID 64 c8\n"
    "IN \"TestCase\" 3 \"testAdd\"\n"
    "TX 10 \"calc.add(1, 1) == 2\"\n"
    "ED \n"
    "IN \"File\" 1 \"Strings\"\n"
    "ID 12c 190\n"
    "IN \"Class\" 2 \"StringsTest\"\n"
    "IN \"TestCase\" 3 \"testConcat\"\n"
    "LK 8\n"
    "TX 20 \"\\\\\"caf\\\\303\\\\251\\\\\".length() == 4\"\n"
    "TX 21 \"timerStart(x)\"\n"
    "ED \n";

void check_node(TestNode *node, void *)
{
    for (TestNode *child = node->first_child; child; child = child->next_sibling)
        FUZZ_CHECK(child->parent == node, "child with another parent");
    FUZZ_CHECK(node->status >= 0 && node->status <= 4, "verdict out of range");
    if (const CheckCounters *counters = node->extension)
        FUZZ_CHECK(counters->total_count >= 0 && counters->pass_count >= 0
                       && counters->fail_count >= 0 && counters->entry_count >= 0,
                   "negative counter");
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
    TraceStream *fixed = trace_open_memory(fixed_static_trace, strlen(fixed_static_trace));
    int32_t counter = 0;
    FUZZ_CHECK(read_static_stream(fixed, "fixed.tsf", &counter) == 0, "fixed static trace");
    trace_close(fixed);
    FUZZ_CHECK(counter == 3 && file_count() == 3, "fixed static trace gave other sections");

    TraceStream *stream = trace_open_memory(reinterpret_cast<const char *>(data), size);
    const int result = read_dynamic_stream(stream);
    trace_close(stream);
    FUZZ_CHECK(result == 0, "the dynamic reader failed on a memory stream");

    roll_up_verdicts();
    for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
        if (entry->file_node)
            walk_tree(entry->file_node, check_node, nullptr);
    fuzz_reset_state();
    return 0;
}
