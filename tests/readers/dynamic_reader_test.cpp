// The dynamic trace reader: record fields, result kinds, placement of results
// on static nodes or on copies under foreign contexts, method and instance
// contexts, Stub retyping, file binding, and inputs large enough to expose
// quadratic or per-depth costs. Expectations list only what a trace changed.
#include "reader_helpers.h"

#include "readers/read_ahead.h"

namespace {

// Suite 2 holds case 4 (checks 3 and 6) and class 8 (check 5).
const char *const base_static =
    "IN \"File\" 1 \"T\"\nID a b\nIN \"TestSuite\" 2 \"suite\"\nIN \"TestCase\" 4 \"case\"\n"
    "LK 10\nTX 3 \"x == 2\"\nLK 11\nTX 6 \"y == 3\"\nSI 2\nIN \"Class\" 8 \"Helper\"\nLK 20\nTX 5 \"run()\"\nED \n";

// Each record as "<kind> <numbers hex> <text>"; the next word must be left
// unread. Notes in full; of the other kinds, those with several numbers or a
// rest of line to skip (the placement table below uses them all).
TEST(DynamicRecords, NotesAndIgnoredRecords)
{
    const std::pair<std::string, std::string> cases[] = {
        {"NO 1f \"a\\tb\"", "5 1f 0 0 a\tb"}, {"NO 3 \"\"", "5 3 0 0 "},
        {"NO 3 \"", "5 3 0 0 <none>"},         {"NO 3", "5 3 0 0 3"},
        {"NO \"msg\"", "10 0 0 0 msg"},        {"NO 0 \"msg\"", "0 0 0 0 <none>"},
        {"XX 3 \"msg\"", "0 0 0 0 <none>"},    {"GL 97 3", "7 97 3 0 <none>"},
        {"SF 1 a b", "1 1 a b <none>"},        {"MR anything", "9 0 0 0 <none>"},
    };
    for (const auto &c : cases) {
        const std::string input = c.first + "\nNEXT ";
        TraceStream *stream = trace_open_memory(input.data(), input.size());
        DynamicRecord r = read_dynamic_record(stream);
        char fields[64];
        snprintf(fields, sizeof fields, "%d %x %x %x ", r.kind, r.numbers[0], r.numbers[1], r.numbers[2]);
        EXPECT_EQ(fields + take(r.text), c.second) << c.first;
        EXPECT_EQ(take(read_until_char(stream, ' ')), "NEXT") << c.first;
        trace_close(stream);
    }
}

TEST(DynamicRecords, ResultKindOfEveryCode)
{
    const std::pair<uint32_t, int> cases[] = {
        {100, RESULT_ENTRY}, {101, RESULT_PASSED}, {150, RESULT_PASSED}, {154, RESULT_PASSED},
        {151, RESULT_FAILED}, {155, RESULT_FAILED}, {157, RESULT_FAILED}, {162, RESULT_FAILED},
        {164, RESULT_FAILED}, {165, RESULT_EXECUTED}, {0, RESULT_NONE}, {99, RESULT_NONE},
        {152, RESULT_NONE}, {166, RESULT_NONE}, {0x10000 + 101, RESULT_NONE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(result_kind_of(c.first), c.second) << c.first;
}

using DynamicReader = ReaderTest;

// Each row is read after base_static into a fresh tree.
TEST_F(DynamicReader, PlacementAndContexts)
{
    const struct {
        const char *name;
        std::string trace;
        const char *changes;
    } cases[] = {
        {"copy under a foreign context", "SF 1 a b\nNI 2 7\nST 65\nNO 3 \"hello\"\n", "2>3=1[0/1/0/0] 2=1"},
        {"copy reused for an equal model", "SF 1 a b\nNI 2 7\nST 65\nNO 3 \"hello\"\nNO 3 \"again\"\n",
         "2>3=1[0/2/0/0] 2=1"},
        {"static node in its own context", "SF 1 a b\nNI 4 7\nST 65\nNO 3 \"m\"\n", "3=1[0/1/0/0] 4=1"},
        {"GL replaces the ST code", "SF 1 a b\nNI 4 7\nST a5\nGL 97 3\n", "3=1[0/0/1/0] 4=1"},
        {"executed code counts the total", "SF 1 a b\nNI 4 7\nST a5\nNO 3 \"m\"\n", "3=1[1/0/0/0] 4=1"},
        {"entry code counts entries", "SF 1 a b\nNI 4 7\nST 64\nNO 3 \"m\"\n", "3=1[0/0/0/1] 4=1"},
        {"code outside the table still marks executed", "SF 1 a b\nNI 4 7\nST 1\nNO 3 \"m\"\n", "3=1[0/0/0/0] 4=1"},
        {"failure on a non-check copy counts on the check above", "SF 1 a b\nNI 3 7\nST 97\nNO 4 \"m\"\n",
         "3>4=2 3=1[0/0/1/0]"},
        {"method result retypes the parent and MR restores the context",
         "SF 1 a b\nNI 4 7\nST 9d\nME 5 0\nNI 2 9\nNO \"left\"\nMR \nNO 3 \"after\"\n",
         "3=1[0/0/1/0] 4=1 5=1[0/0/1/0] 8:23=1"},
        {"code 64 retypes as a Stub", "SF 1 a b\nST 64\nME 5 0\nNO \"x\"\n", "5=1[0/0/0/1] 8:23=1"},
        {"code 65 retypes as a Stub", "SF 1 a b\nST 65\nME 5 0\nNO \"x\"\n", "5=1[0/1/0/0] 8:23=1"},
        {"code 96 does not retype", "SF 1 a b\nST 96\nME 5 0\nNO \"x\"\n", "5=1[0/1/0/0] 8=1"},
        {"code a5 does not retype", "SF 1 a b\nST a5\nME 5 0\nNO \"x\"\n", "5=1[1/0/0/0] 8=1"},
        {"text-only note without a method goes to the context", "SF 1 a b\nNI 4 7\nST 65\nNO \"t\"\n", "2=1"},
        {"text-only note on a check context counts there", "SF 1 a b\nNI 3 7\nST 65\nNO \"t\"\n",
         "3=1[0/1/0/0] 4=1"},
        {"MR on an empty stack keeps the context and clears the method",
         "SF 1 a b\nNI 4 7\nME 5 0\nMR \nMR \nST 65\nNO \"t\"\nNO 3 \"m\"\n", "3=1[0/1/0/0] 4=1 2=1"},
        {"CI with a key no NI announced leaves no context", "SF 1 a b\nNI 4 7\nCI 9\nST 65\nNO 3 \"m\"\n", ""},
        {"CI takes the newest entry; a repeated NI adds none",
         "SF 1 a b\nNI 2 7\nNI 4 7\nNI 2 7\nCI 7\nST 65\nNO 3 \"m\"\n", "3=1[0/1/0/0] 4=1"},
        {"CI switches between instances", "SF 1 a b\nNI 2 7\nNI 4 8\nCI 7\nST 65\nNO 3 \"m\"\n",
         "2>3=1[0/1/0/0] 2=1"},
        {"records before any SF use file -1",
         "NI 4 7\nST 65\nNO 3 \"early\"\nSF 1 a b\nNO 3 \"no context yet\"\nNI 4 7\nNO 3 \"late\"\n",
         "3=1[0/1/0/0] 4=1"},
        {"SF with an identity no section carries", "SF 1 c d\nNI 4 7\nST 65\nNO 3 \"m\"\n", ""},
        {"two SF with the same identity both select the section",
         "SF 1 a b\nSF 2 a b\nCS 1\nNI 4 7\nST 65\nNO 3 \"one\"\nCS 2\nNO 3 \"two\"\nCS 3\nNO 3 \"none\"\n",
         "3=1[0/2/0/0] 4=1"},
        {"unknown identifiers, identifier 0 and unknown keywords are ignored",
         "SF 1 a b\nNI 4 7\nST 65\nNO 63 \"m\"\nNO 0 \"m\"\nXX 3 \"m\"\nGL 65 63\n", ""},
        {"not a trace at all", "not a trace\n\xff\xfe\n", ""},
        // Large enough to expose per-entry scans and recursion.
        {"a million ME without MR",
         "SF 1 a b\nNI 4 7\n" + numbered("ME 5 0\n", 1000000) + "NI 2 9\n" + numbered("MR \n", 1000000)
             + "ST 65\nNO 3 \"m\"\n",
         "3=1[0/1/0/0] 4=1"},
        {"a million distinct instances",
         "SF 1 a b\n" + numbered("NI 2 %x\n", 500000, 1) + numbered("NI 4 %x\n", 500000, 500001)
             + "CI 1\nST 65\nNO 3 \"in suite\"\nCI f4240\nNO 3 \"in case\"\n",
         "3=1[0/1/0/0] 4=1 2>3=1[0/1/0/0] 2=1"},
    };
    // Records are read on a second thread after the first read_ahead_after:
    // from the start, after a few, and (for the large cases) after 4096.
    for (const size_t read_ahead_after : {size_t(4096), size_t(0), size_t(2)}) {
        set_read_ahead_after(read_ahead_after);
        for (const auto &c : cases) {
            tree_init();
            ASSERT_EQ(read_static_text(base_static), 0);
            EXPECT_EQ(changes_of(c.trace), c.changes) << c.name << ", read ahead after " << read_ahead_after;
        }
    }
    set_read_ahead_after(4096);
}

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
