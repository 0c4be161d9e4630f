// The dynamic trace reader beyond cases/dynamic.tsv: inputs large enough to
// expose quadratic or per-depth costs.
#include "reader_helpers.h"

#include "readers/read_ahead.h"

namespace {

using DynamicReader = ReaderTest;

TEST_F(DynamicReader, HundredThousandChecksInOneForeignContext)
{
    const int checks = 100000;
    ASSERT_EQ(read_static_text("IN \"File\" 1 \"F\"\nID a b\nIN \"TestSuite\" 2 \"s\"\nIN \"TestCase\" 3 \"c\"\n"
                               + numbered("TX %d \"c\"\n", checks, 16)),
              0);
    const std::string events = numbered("NO %x \"m\"\n", checks, 16);
    ASSERT_EQ(read_dynamic_text("SF 1 a b\nNI 2 7\nST 65\n" + events + events), 0);
    const TestNode *suite = find_node(0, 2);
    int children = 0;
    for (const TestNode *child = suite->first_child; child; child = child->next_sibling)
        ++children;
    EXPECT_EQ(children, checks + 1);
    EXPECT_EQ(suite->last_child->identifier, static_cast<uint32_t>(checks + 15));
    EXPECT_EQ(suite->last_child->extension->pass_count, 2);
}

// A check at the top, a million suites nested below it and a check in the
// deepest: reading must not recurse, and notes on the deepest suite climb to
// the nearest check without walking the chain each time.
TEST_F(DynamicReader, MillionNestedScopes)
{
    const int depth = 1000000;
    ASSERT_EQ(read_static_text("IN \"File\" 1 \"F\"\nID a b\nTX 3000000 \"top\"\nSI 2dc6c0\n"
                               + numbered("IN \"TestSuite\" %x \"s\"\n", depth, 2) + "TX 4000000 \"deepest\"\n"),
              0);
    const TestNode *node = find_node(0, 4000000);
    int levels = 0;
    for (; node->parent; node = node->parent)
        ++levels;
    EXPECT_EQ(levels, depth + 2);
    EXPECT_EQ(node, file_node_at(0));
    const std::string events = numbered("SF 1 a b\nNI %x 7\nST 65\n", 1, depth + 1) + numbered("NO \"x\"\n", 100000);
    ASSERT_EQ(read_dynamic_text(events), 0);
    EXPECT_EQ(find_node(0, 3000000)->extension->pass_count, 100000);
}

}  // namespace
