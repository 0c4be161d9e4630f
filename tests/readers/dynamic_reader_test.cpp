// The dynamic trace reader: record fields, result kinds, placement of results
// on static nodes or on reused copies under foreign contexts, the method and
// instance contexts, Stub retyping, file binding, and inputs large enough to
// expose quadratic or per-depth costs. Trees are compared as text dumps.
#include "reader_helpers.h"

#include "diagnostics/memory.h"
#include "readers/scan.h"
#include "support/test_support.h"

#include <unistd.h>

namespace {

const char *const base_static =
    "IN \"File\" 1 \"T\"\n"
    "ID a b\n"
    "IN \"TestSuite\" 2 \"suite\"\n"
    "IN \"TestCase\" 4 \"case\"\n"
    "LK 10\n"
    "TX 3 \"x == 2\"\n"
    "LK 11\n"
    "TX 6 \"y == 3\"\n"
    "SI 2\n"
    "IN \"Class\" 8 \"Helper\"\n"
    "LK 20\n"
    "TX 5 \"run()\"\n"
    "ED \n";

// The base tree with the lines of the suite, the case, node 3 and the
// helper class replaced, and extra lines appended under the suite.
std::string base_dump(const std::string &suite = "status=3", const std::string &test_case = "status=3",
                      const std::string &node3 = "status=0 [0/0/0/0]",
                      const std::string &helper = "27 0/8 \"Helper\" line=0 status=3",
                      const std::string &node5 = "status=0 [0/0/0/0]",
                      const std::string &under_suite = "")
{
    return "15 0/1 \"T\" line=0 status=3\n"
           "  29 0/2 \"suite\" line=0 " + suite + "\n"
           "    26 0/4 \"case\" line=0 " + test_case + "\n"
           "      3 0/3 \"x == 2\" line=10 " + node3 + "\n"
           "      3 0/6 \"y == 3\" line=11 status=0 [0/0/0/0]\n"
           "    " + helper + "\n"
           "      3 0/5 \"run()\" line=20 " + node5 + "\n" + under_suite;
}

TEST(DynamicRecords, FieldsOfEveryKind)
{
    const struct {
        std::string line;
        int kind;
        uint32_t numbers[3];
        const char *text;
    } cases[] = {
        {"SF 1 a b\n", DYNAMIC_SF, {1, 0xa, 0xb}, nullptr},
        {"CS 2\n", DYNAMIC_CS, {2, 0, 0}, nullptr},
        {"NI 2 7\n", DYNAMIC_NI, {2, 7, 0}, nullptr},
        {"ST 65\n", DYNAMIC_ST, {0x65, 0, 0}, nullptr},
        {"CI 7\n", DYNAMIC_CI, {7, 0, 0}, nullptr},
        {"GL 97 3\n", DYNAMIC_GL, {0x97, 3, 0}, nullptr},
        {"ME 5 0\n", DYNAMIC_ME, {5, 0, 0}, nullptr},
        {"MR anything\n", DYNAMIC_MR, {0, 0, 0}, nullptr},
        {"NO 3 \"msg\"\n", DYNAMIC_NO_WITH_ID, {3, 0, 0}, "msg"},
        {"NO 1f \"a\\tb\"\n", DYNAMIC_NO_WITH_ID, {0x1f, 0, 0}, "a\tb"},
        {"NO 3 \"\"\n", DYNAMIC_NO_WITH_ID, {3, 0, 0}, ""},
        {"NO 3 \"\n", DYNAMIC_NO_WITH_ID, {3, 0, 0}, nullptr},
        {"NO 3\n", DYNAMIC_NO_WITH_ID, {3, 0, 0}, "3"},
        {"NO \"msg\"\n", DYNAMIC_NO_TEXT_ONLY, {0, 0, 0}, "msg"},
        {"NO 0 \"msg\"\n", DYNAMIC_IGNORED, {0, 0, 0}, nullptr},
        {"NO zz \"msg\"\n", DYNAMIC_IGNORED, {0, 0, 0}, nullptr},
        {"XX 3 \"msg\"\n", DYNAMIC_IGNORED, {0, 0, 0}, nullptr},
        {"st 65\n", DYNAMIC_IGNORED, {0, 0, 0}, nullptr},
    };
    for (const auto &c : cases) {
        const std::string input = c.line + "NEXT ";
        TraceStream *stream = trace_open_memory(input.data(), input.size());
        DynamicRecord record = read_dynamic_record(stream);
        EXPECT_EQ(record.kind, c.kind) << c.line;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(record.numbers[i], c.numbers[i]) << c.line << " number " << i;
        EXPECT_EQ(record.text ? std::string(record.text) : "<none>", c.text ? c.text : "<none>") << c.line;
        mem_free(record.text);
        char *next = read_until_char(stream, ' ');
        EXPECT_STREQ(next, "NEXT") << c.line;
        mem_free(next);
        trace_close(stream);
    }
}

TEST(DynamicRecords, ResultKindOfEveryCode)
{
    const struct {
        uint32_t code;
        int kind;
    } cases[] = {
        {100, RESULT_ENTRY}, {101, RESULT_PASSED}, {150, RESULT_PASSED}, {154, RESULT_PASSED},
        {151, RESULT_FAILED}, {155, RESULT_FAILED}, {157, RESULT_FAILED}, {162, RESULT_FAILED},
        {164, RESULT_FAILED}, {165, RESULT_EXECUTED}, {0, RESULT_NONE}, {99, RESULT_NONE},
        {152, RESULT_NONE}, {166, RESULT_NONE}, {0x10000 + 101, RESULT_NONE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(result_kind_of(c.code), c.kind) << c.code;
}

using DynamicReader = ReaderTest;

TEST_F(DynamicReader, PlacementAndContexts)
{
    const struct {
        const char *name;
        const char *trace;
        std::string dump;
    } cases[] = {
        {"copy under a foreign context",
         "SF 1 a b\nNI 2 7\nST 65\nNO 3 \"hello\"\n",
         base_dump("status=1", "status=3", "status=0 [0/0/0/0]", "27 0/8 \"Helper\" line=0 status=3",
                   "status=0 [0/0/0/0]", "    3 0/3 \"x == 2\" line=10 status=1 [0/1/0/0]\n")},
        {"copy reused for an equal model",
         "SF 1 a b\nNI 2 7\nST 65\nNO 3 \"hello\"\nNO 3 \"again\"\n",
         base_dump("status=1", "status=3", "status=0 [0/0/0/0]", "27 0/8 \"Helper\" line=0 status=3",
                   "status=0 [0/0/0/0]",
                   "    3 0/3 \"x == 2\" line=10 status=1 [0/2/0/0]\n")},
        {"static node in its own context",
         "SF 1 a b\nNI 4 7\nST 65\nNO 3 \"m\"\n",
         base_dump("status=3", "status=1", "status=1 [0/1/0/0]")},
        {"GL replaces the ST code",
         "SF 1 a b\nNI 4 7\nST a5\nGL 97 3\n",
         base_dump("status=3", "status=1", "status=1 [0/0/1/0]")},
        {"executed code counts the total",
         "SF 1 a b\nNI 4 7\nST a5\nNO 3 \"m\"\n",
         base_dump("status=3", "status=1", "status=1 [1/0/0/0]")},
        {"entry code counts entries",
         "SF 1 a b\nNI 4 7\nST 64\nNO 3 \"m\"\n",
         base_dump("status=3", "status=1", "status=1 [0/0/0/1]")},
        {"code outside the table still marks executed",
         "SF 1 a b\nNI 4 7\nST 1\nNO 3 \"m\"\n",
         base_dump("status=3", "status=1", "status=1 [0/0/0/0]")},
        {"failure on a non-check copy counts on the check above",
         "SF 1 a b\nNI 3 7\nST 97\nNO 4 \"m\"\n",
         base_dump("status=3", "status=3",
                   "status=1 [0/0/1/0]\n        26 0/4 \"case\" line=0 status=2")},
        {"method result retypes the parent and MR restores the context",
         "SF 1 a b\nNI 4 7\nST 9d\nME 5 0\nNI 2 9\nNO \"left\"\nMR \nNO 3 \"after\"\n",
         base_dump("status=3", "status=1", "status=1 [0/0/1/0]",
                   "23 0/8 \"Helper\" line=0 status=1", "status=1 [0/0/1/0]")},
        {"text-only note without a method goes to the context",
         "SF 1 a b\nNI 4 7\nST 65\nNO \"t\"\n",
         base_dump("status=1")},
        {"text-only note on a check context counts there",
         "SF 1 a b\nNI 3 7\nST 65\nNO \"t\"\n",
         base_dump("status=3", "status=1", "status=1 [0/1/0/0]")},
        {"MR on an empty stack keeps the context and clears the method",
         "SF 1 a b\nNI 4 7\nME 5 0\nMR \nMR \nST 65\nNO \"t\"\nNO 3 \"m\"\n",
         base_dump("status=1", "status=1", "status=1 [0/1/0/0]")},
        {"CI with a key no NI announced leaves no context",
         "SF 1 a b\nNI 4 7\nCI 9\nST 65\nNO 3 \"m\"\n",
         base_dump()},
        {"CI takes the newest entry; a repeated NI adds none",
         "SF 1 a b\nNI 2 7\nNI 4 7\nNI 2 7\nCI 7\nST 65\nNO 3 \"m\"\n",
         base_dump("status=3", "status=1", "status=1 [0/1/0/0]")},
        {"CI switches between instances",
         "SF 1 a b\nNI 2 7\nNI 4 8\nCI 7\nST 65\nNO 3 \"m\"\n",
         base_dump("status=1", "status=3", "status=0 [0/0/0/0]", "27 0/8 \"Helper\" line=0 status=3",
                   "status=0 [0/0/0/0]", "    3 0/3 \"x == 2\" line=10 status=1 [0/1/0/0]\n")},
        {"records before any SF use file -1",
         "NI 4 7\nST 65\nNO 3 \"early\"\nSF 1 a b\nNO 3 \"no context yet\"\nNI 4 7\nNO 3 \"late\"\n",
         base_dump("status=3", "status=1", "status=1 [0/1/0/0]")},
        {"SF with an identity no section carries",
         "SF 1 c d\nNI 4 7\nST 65\nNO 3 \"m\"\n",
         base_dump()},
        {"two dynamic numbers for one section",
         "SF 1 a b\nSF 2 a b\nCS 1\nNI 4 7\nST 65\nNO 3 \"one\"\nCS 2\nNO 3 \"two\"\nCS 3\nNO 3 \"none\"\n",
         base_dump("status=3", "status=1", "status=1 [0/2/0/0]")},
        {"unknown identifiers, identifier 0 and unknown keywords are ignored",
         "SF 1 a b\nNI 4 7\nST 65\nNO 63 \"m\"\nNO 0 \"m\"\nXX 3 \"m\"\nGL 65 63\n",
         base_dump()},
    };
    for (const auto &c : cases) {
        tree_init();
        int32_t counter = 0;
        ASSERT_EQ(read_static_text(base_static, &counter), 0);
        EXPECT_EQ(read_dynamic_text(c.trace), 0) << c.name;
        EXPECT_EQ(dump_tree(), c.dump) << c.name;
    }
}

// Only a Print shows its messages in the report, so only a Print keeps them:
// in arrival order, on the static node and on each copy alike.
TEST_F(DynamicReader, MessagesAreKeptOnPrintsOnly)
{
    const std::string statics =
        "IN \"File\" 1 \"T\"\n"
        "IN \"TestCase\" 2 \"case\"\n"
        "LK 5\n"
        "TX 3 \"verifyLogMessage(x)\"\n"
        "LK 6\n"
        "TX 4 \"x == 1\"\n"
        "SI 1\n"
        "IN \"TestCase\" 7 \"other\"\n"
        "ED \n";
    const std::string events =
        "SF 1 0 0\nCS 1\n"
        "NI 2 1\nST a5\nNO 3 \"first\"\nNO 4 \"dropped\"\nNO 3 \"second\"\n"
        "NI 7 2\nNO 3 \"in copy\"\nNO 4 \"dropped too\"\n";
    int32_t counter = 0;
    ASSERT_EQ(read_static_text(statics, &counter), 0);
    ASSERT_EQ(read_dynamic_text(events), 0);
    EXPECT_EQ(dump_tree(),
              "15 0/1 \"T\" line=0 status=3\n"
              "  26 0/2 \"case\" line=0 status=1\n"
              "    18 0/3 \"verifyLogMessage(x)\" line=5 status=1 [2/0/0/0] {first|second}\n"
              "    3 0/4 \"x == 1\" line=6 status=1 [1/0/0/0]\n"
              "  26 0/7 \"other\" line=0 status=1\n"
              "    18 0/3 \"verifyLogMessage(x)\" line=5 status=1 [1/0/0/0] {in copy}\n"
              "    3 0/4 \"x == 1\" line=6 status=1 [1/0/0/0]\n");
}

TEST_F(DynamicReader, StatusCodesThatRetypeTheMethodParent)
{
    const struct {
        const char *code;
        int helper_type;
    } cases[] = {
        {"64", NODE_STUB}, {"65", NODE_STUB}, {"9d", NODE_STUB}, {"96", NODE_TEST_CLASS}, {"a5", NODE_TEST_CLASS},
    };
    for (const auto &c : cases) {
        tree_init();
        int32_t counter = 0;
        read_static_text(base_static, &counter);
        read_dynamic_text(std::string("SF 1 a b\nST ") + c.code + "\nME 5 0\nNO \"x\"\n");
        EXPECT_EQ(find_node(0, 8)->type, c.helper_type) << c.code;
    }
}

TEST_F(DynamicReader, BindsTheSectionOfTheSecondStaticFile)
{
    int32_t counter = 0;
    read_static_text("IN \"File\" 1 \"A\"\nID a b\nTX 3 \"a\"\nED \n", &counter);
    read_static_text("IN \"File\" 1 \"B\"\nID c d\nTX 3 \"b\"\nED \n", &counter);
    ASSERT_EQ(read_dynamic_text("SF 5 c d\nNI 1 1\nST 65\nNO 3 \"m\"\n"), 0);
    EXPECT_EQ(dump_tree(),
              "15 1/1 \"B\" line=0 status=1\n"
              "  3 1/3 \"b\" line=0 status=1 [0/1/0/0]\n"
              "15 0/1 \"A\" line=0 status=3\n"
              "  3 0/3 \"a\" line=0 status=0 [0/0/0/0]\n");
}

TEST_F(DynamicReader, UnreadableInputsFail)
{
    const std::string directory = make_temp_dir();
    EXPECT_EQ(read_dynamic_trace(directory.c_str()), -1);
    EXPECT_EQ(read_dynamic_trace((directory + "/missing.tdf").c_str()), -1);
    if (access("/proc/self/mem", R_OK) == 0) {
        EXPECT_EQ(read_dynamic_trace("/proc/self/mem"), -1);
    }
    rmdir(directory.c_str());

    const std::string file = write_temp_file("not a trace at all\n\xff\xfe\n");
    EXPECT_EQ(read_dynamic_trace(file.c_str()), 0);
    unlink(file.c_str());
}

TEST_F(DynamicReader, HundredThousandChecksInOneForeignContext)
{
    const int checks = 100000;
    std::string statics = "IN \"File\" 1 \"F\"\nID a b\nIN \"TestSuite\" 2 \"s\"\nIN \"TestCase\" 3 \"c\"\n";
    std::string events = "SF 1 a b\nNI 2 7\nST 65\n";
    char line[64];
    for (int i = 0; i < checks; ++i) {
        snprintf(line, sizeof line, "TX %d \"check %d\"\n", i + 16, i);
        statics += line;
        snprintf(line, sizeof line, "NO %x \"m\"\n", i + 16);
        events += line;
    }
    int32_t counter = 0;
    ASSERT_EQ(read_static_text(statics, &counter), 0);
    ASSERT_EQ(read_dynamic_text(events + events), 0);

    const TestNode *suite = find_node(0, 2);
    int children = 0;
    for (const TestNode *child = suite->first_child; child; child = child->next_sibling)
        ++children;
    EXPECT_EQ(children, checks + 1);
    const TestNode *last = suite->last_child;
    EXPECT_EQ(last->identifier, static_cast<uint32_t>(checks + 15));
    EXPECT_EQ(last->extension->pass_count, 2);
}

TEST_F(DynamicReader, MillionMethodEntriesWithoutReturns)
{
    int32_t counter = 0;
    read_static_text(base_static, &counter);
    std::string events = "SF 1 a b\nNI 4 7\n";
    for (int i = 0; i < 1000000; ++i)
        events += "ME 5 0\n";
    events += "NI 2 9\n";
    for (int i = 0; i < 1000000; ++i)
        events += "MR \n";
    events += "ST 65\nNO 3 \"m\"\n";
    ASSERT_EQ(read_dynamic_text(events), 0);
    EXPECT_EQ(dump_tree(), base_dump("status=3", "status=1", "status=1 [0/1/0/0]"));
}

TEST_F(DynamicReader, MillionDistinctInstances)
{
    int32_t counter = 0;
    read_static_text(base_static, &counter);
    std::string events = "SF 1 a b\n";
    char line[48];
    for (int i = 1; i <= 1000000; ++i) {
        snprintf(line, sizeof line, "NI %d %x\n", i % 2 ? 2 : 4, i);
        events += line;
    }
    events += "CI 1\nST 65\nNO 3 \"odd\"\nCI f4240\nNO 3 \"even\"\n";
    ASSERT_EQ(read_dynamic_text(events), 0);
    EXPECT_EQ(dump_tree(), base_dump("status=1", "status=1", "status=1 [0/1/0/0]",
                                     "27 0/8 \"Helper\" line=0 status=3", "status=0 [0/0/0/0]",
                                     "    3 0/3 \"x == 2\" line=10 status=1 [0/1/0/0]\n"));
}

TEST_F(DynamicReader, NotesOnTheDeepestOfAMillionNestedScopes)
{
    // A check at the top, a million scopes below it; every note on the
    // deepest scope climbs to that check.
    const int depth = 1000000;
    std::string statics = "IN \"File\" 1 \"F\"\nID a b\nTX 3000000 \"top\"\nSI 2dc6c0\n";
    statics.reserve(depth * 32);
    char line[64];
    for (int i = 0; i < depth; ++i) {
        snprintf(line, sizeof line, "IN \"TestSuite\" %x \"s\"\n", i + 2);
        statics += line;
    }
    int32_t counter = 0;
    ASSERT_EQ(read_static_text(statics, &counter), 0);

    snprintf(line, sizeof line, "SF 1 a b\nNI %x 7\nST 65\n", depth + 1);
    std::string events = line;
    for (int i = 0; i < 100000; ++i)
        events += "NO \"x\"\n";
    ASSERT_EQ(read_dynamic_text(events), 0);
    const TestNode *top = find_node(0, 3000000);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->extension->pass_count, 100000);
    EXPECT_EQ(top->status, VERDICT_EXECUTED);
}

}  // namespace
