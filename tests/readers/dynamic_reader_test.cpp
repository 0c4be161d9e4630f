// The dynamic trace reader beyond cases/dynamic.tsv: messages, the binding of
// a second static file, and inputs large enough to expose quadratic or
// per-depth costs.
#include "reader_helpers.h"

#include "readers/read_ahead.h"

namespace {

using DynamicReader = ReaderTest;

// Only a Print shows its messages in the report, so only a Print keeps them:
// in arrival order, on the static node and on each copy alike.
TEST_F(DynamicReader, MessagesAreKeptOnPrintsOnly)
{
    set_read_ahead_after(3);  // the later notes come through the second thread
    read_static_text("IN \"File\" 1 \"T\"\nIN \"TestCase\" 2 \"case\"\nTX 3 \"verifyLogMessage(x)\"\n"
                     "TX 4 \"x == 1\"\nSI 1\nIN \"TestCase\" 7 \"other\"\nED \n");
    EXPECT_EQ(changes_of("SF 1 0 0\nCS 1\nNI 2 1\nST a5\nNO 3 \"first\"\nNO 4 \"dropped\"\nNO 3 \"second\"\n"
                         "NI 7 2\nNO 3 \"in copy\"\nNO 4 \"dropped too\"\n"),
              "3=1[2/0/0/0]{first|second} 4=1[1/0/0/0] 2=1 7>3=1[1/0/0/0]{in copy} 7>4=1[1/0/0/0] 7=1");
    set_read_ahead_after(4096);
}

TEST_F(DynamicReader, BindsTheSectionOfTheSecondStaticFile)
{
    int32_t counter = 0;
    read_static_text("IN \"File\" 1 \"A\"\nID a b\nTX 3 \"a\"\nED \n", &counter);
    read_static_text("IN \"File\" 1 \"B\"\nID c d\nTX 3 \"b\"\nED \n", &counter);
    EXPECT_EQ(changes_of("SF 5 c d\nNI 1 1\nST 65\nNO 3 \"m\"\n"), "1/3=1[0/1/0/0] 1/1=1");
}

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
