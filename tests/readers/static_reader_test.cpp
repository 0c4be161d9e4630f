// The static trace reader: record fields, section numbering across files,
// source names, scope nesting by the current scope, statement kinds and
// lines, and the mends for empty texts. Trees are compared as text dumps.
#include "reader_helpers.h"

#include "diagnostics/memory.h"
#include "readers/scan.h"
#include "support/test_support.h"

#include <unistd.h>

namespace {

std::string take(char *text)
{
    if (!text)
        return "<none>";
    std::string value(text);
    mem_free(text);
    return value;
}

TEST(StaticRecords, FieldsOfEveryKind)
{
    const struct {
        std::string line;
        int kind;
        uint32_t number;
        std::string first, second;
        int32_t line_number;
        uint32_t identity_first, identity_second;
    } cases[] = {
        {"IN   \"TestCase\" 1f   \"the name\" ignored\n", STATIC_IN, 0x1f, "TestCase", "the name", 0, 0, 0},
        {"IN \"File\" 1 \"tab\\there\"\n", STATIC_IN, 1, "File", "tab\\there", 0, 0, 0},
        {"TX 12 \"a == \\\"b\\\"\"\n", STATIC_TX, 12, "a == \"b\"", "<none>", 0, 0, 0},
        {"MS 7 \"m\"\n", STATIC_MS, 7, "m", "<none>", 0, 0, 0},
        {"SO \"/x/y.java\" junk\n", STATIC_SO, 0, "/x/y.java", "<none>", 0, 0, 0},
        {"LK 42\n", STATIC_LK, 0, "<none>", "<none>", 42, 0, 0},
        {"LK -3x\n", STATIC_LK, 0, "<none>", "<none>", -3, 0, 0},
        {"ID 1a 2B\n", STATIC_ID, 0, "<none>", "<none>", 0, 0x1a, 0x2b},
        {"SI 1f\n", STATIC_SI, 0x1f, "<none>", "<none>", 0, 0, 0},
        {"DB anything\n", STATIC_DB, 0, "<none>", "<none>", 0, 0, 0},
        {"ED \n", STATIC_ED, 0, "<none>", "<none>", 0, 0, 0},
        {"ZZ stuff \"x\"\n", STATIC_OTHER, 0, "<none>", "<none>", 0, 0, 0},
        {"db lower case\n", STATIC_OTHER, 0, "<none>", "<none>", 0, 0, 0},
    };
    for (const auto &c : cases) {
        const std::string input = c.line + "NEXT";
        TraceStream *stream = trace_open_memory(input.data(), input.size());
        StaticRecord record = read_static_record(stream);
        EXPECT_EQ(record.kind, c.kind) << c.line;
        EXPECT_EQ(record.number, c.number) << c.line;
        EXPECT_EQ(take(record.first_text), c.first) << c.line;
        EXPECT_EQ(take(record.second_text), c.second) << c.line;
        EXPECT_EQ(record.line, c.line_number) << c.line;
        EXPECT_EQ(record.identity_first, c.identity_first) << c.line;
        EXPECT_EQ(record.identity_second, c.identity_second) << c.line;
        EXPECT_EQ(take(read_until_char(stream, '\n')), "NEXT") << c.line;
        trace_close(stream);
    }
}

TEST(StaticRecords, OneEmptyRecordAfterTheLastLine)
{
    const std::string input = "ED \n";
    TraceStream *stream = trace_open_memory(input.data(), input.size());
    StaticRecord record = read_static_record(stream);
    EXPECT_EQ(record.kind, STATIC_ED);
    EXPECT_FALSE(trace_eof(stream));
    record = read_static_record(stream);
    EXPECT_EQ(record.kind, STATIC_OTHER);
    EXPECT_TRUE(trace_eof(stream));
    trace_close(stream);
}

using StaticReader = ReaderTest;

TEST_F(StaticReader, ScopesNestByTheCurrentScopeAndSiReturns)
{
    int32_t counter = 0;
    ASSERT_EQ(read_static_text("DB start\n"
                               "SO \"/src/CalcTest.java\"\n"
                               "IN \"File\" 1 \"CalcTest\"\n"
                               "ID a b\n"
                               "IN \"TestSuite\" 2 \"suite\"\n"
                               "IN \"TestCase\" 3 \"case\"\n"
                               "TX 4 \"before any line\"\n"
                               "LK 12\n"
                               "TX 10 \"x == 2\"\n"
                               "SI 2\n"
                               "LK 20\n"
                               "TX 11 \"y == 3\"\n"
                               "IN \"Class\" 1a \"Helper\"\n"
                               "IN \"TestStub\" 1b \"stub\"\n"
                               "IN \"Widget\" 1c \"unknown kind\"\n"
                               "MS 12 \"timerStart()\"\n"
                               "SI 63\n"
                               "TX 13 \"no such parent\"\n"
                               "ED \n",
                               &counter),
              0);
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(dump_tree(),
              "15 0/1 \"CalcTest\" line=0 status=3\n"
              "  29 0/2 \"suite\" line=0 status=3\n"
              "    26 0/3 \"case\" line=0 status=3\n"
              "      3 0/4 \"before any line\" line=0 status=0 [0/0/0/0]\n"
              "      3 0/a \"x == 2\" line=12 status=0 [0/0/0/0]\n"
              "    3 0/b \"y == 3\" line=20 status=0 [0/0/0/0]\n"
              "    27 0/1a \"Helper\" line=0 status=3\n"
              "      23 0/1b \"stub\" line=0 status=3\n"
              "        3 0/c \"timerStart()\" line=20 status=0 [0/0/0/0]\n");
    EXPECT_EQ(take(file_name_of(0)), "/src/CalcTest.java");
    ASSERT_NE(file_list_head(), nullptr);
    EXPECT_EQ(file_list_head()->identity_first, 0xau);
    EXPECT_EQ(file_list_head()->identity_second, 0xbu);
}

TEST_F(StaticReader, StatementKindsByText)
{
    const struct {
        const char *record;
        int type;
    } cases[] = {
        {"TX 5 \"verifyLogMessage(log)\"", NODE_PRINT},
        {"TX 5 \"a.entermethod()\"", NODE_PRINT},
        {"TX 5 \"exitmethod\"", NODE_PRINT},
        {"TX 5 \"t.timerStart()\"", NODE_PRINT},
        {"TX 5 \"timerReportElapsedTime(t)\"", NODE_PRINT},
        {"TX 5 \"t = createTimer()\"", NODE_COMMENT},
        {"TX 5 \"createTimer(); timerStart()\"", NODE_PRINT},
        {"TX 5 \"TimerStart()\"", NODE_CHECK_EXPRESSION},
        {"TX 5 \"x == 2\"", NODE_CHECK_EXPRESSION},
        {"TX 5 \"\"", NODE_CHECK_EXPRESSION},
        {"MS 5 \"timerStart()\"", NODE_CHECK_EXPRESSION},
        {"MS 5 \"createTimer()\"", NODE_CHECK_EXPRESSION},
    };
    for (const auto &c : cases) {
        tree_init();
        int32_t counter = 0;
        read_static_text(std::string("IN \"File\" 1 \"F\"\n") + c.record + "\n", &counter);
        const TestNode *node = find_node(0, 5);
        ASSERT_NE(node, nullptr) << c.record;
        EXPECT_EQ(node->type, c.type) << c.record;
    }
}

TEST_F(StaticReader, EmptyTextsAndDecoding)
{
    int32_t counter = 0;
    read_static_text("IN \"File\" 1 \"\"\n"
                     "IN \"TestCase\" 2 \"\"\n"
                     "IN \"\" 3 \"no kind\"\n"
                     "TX 4 \"\"\n"
                     "MS 5 \"\"\n"
                     "IN \"TestSuite\" 6 \"tab\\there \\101\"\n"
                     "TX 7 \"a\\\\tb\"\n",
                     &counter);
    EXPECT_EQ(dump_tree(),
              "15 0/1 \"\" line=0 status=3\n"
              "  26 0/2 \"\" line=0 status=3\n"
              "    3 0/4 \"\" line=0 status=0 [0/0/0/0]\n"
              "    3 0/5 \"\" line=0 status=0 [0/0/0/0]\n"
              "    29 0/6 \"tab\there A\" line=0 status=3\n"
              "      3 0/7 \"a\tb\" line=0 status=0 [0/0/0/0]\n");
}

TEST_F(StaticReader, SourceNameFromSoOrThePath)
{
    int32_t counter = 0;
    read_static_text("SO \"/src/A.java\"\n"
                     "IN \"File\" 1 \"A\"\n"
                     "ED \n"
                     "IN \"File\" 1 \"B\"\n"   // the earlier SO was used up
                     "ED \n"
                     "SO \"/src/C.java\"\n"
                     "SO \"\"\n"                // decodes to nothing: no pending name
                     "IN \"File\" 1 \"C\"\n"
                     "ED \n"
                     "SO \"/src/first.java\"\n"
                     "SO \"/src/second.java\"\n"
                     "IN \"File\" 1 \"D\"\n"
                     "ED \n",
                     &counter, "/traces/static.tsf");
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(take(file_name_of(0)), "/src/A.java");
    EXPECT_EQ(take(file_name_of(1)), "/traces/static.tsf");
    EXPECT_EQ(take(file_name_of(2)), "/traces/static.tsf");
    EXPECT_EQ(take(file_name_of(3)), "/src/second.java");
}

TEST_F(StaticReader, SectionNumbersCarryAcrossFilesAndStateDoesNot)
{
    const std::string first = write_temp_file("DB x\nIN \"File\" 1 \"A\"\nLK 9\nED \n"
                                              "IN \"File\" 1 \"B\"\nIN \"TestCase\" 5 \"c\"\nED \n");
    const std::string second = write_temp_file("IN \"File\" 1 \"C\"\nTX 3 \"first statement\"\nED \n");
    int32_t counter = 0;
    EXPECT_EQ(read_static_trace(first.c_str(), &counter), 0);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(read_static_trace(second.c_str(), &counter), 0);
    EXPECT_EQ(counter, 3);
    // The second file starts with scope 1 and line 0 again.
    EXPECT_EQ(dump_tree(),
              "15 2/1 \"C\" line=0 status=3\n"
              "  3 2/3 \"first statement\" line=0 status=0 [0/0/0/0]\n"
              "15 1/1 \"B\" line=0 status=3\n"
              "  26 1/5 \"c\" line=0 status=3\n"
              "15 0/1 \"A\" line=0 status=3\n");
    EXPECT_EQ(take(file_name_of(2)), second);
    unlink(first.c_str());
    unlink(second.c_str());
}

TEST_F(StaticReader, OnlyDbAndEdAdvanceTheCounterOncePerEd)
{
    const struct {
        std::string text;
        int32_t counter;
    } cases[] = {
        {"DB a\nED \nDB b\nED \n", 2},
        {"DB a\nED \nED ", 2},            // no line end after the last record
        {"ED\nDB x\n", 0},                // keyword runs into the next line: "EDDB"
        {"", 0},
    };
    for (const auto &c : cases) {
        tree_init();
        int32_t counter = 0;
        EXPECT_EQ(read_static_text(c.text, &counter), 0);
        EXPECT_EQ(counter, c.counter) << c.text;
        EXPECT_EQ(dump_tree(), "") << c.text;
    }
}

TEST_F(StaticReader, UnreadableInputsFail)
{
    const std::string directory = make_temp_dir();
    int32_t counter = 0;
    EXPECT_EQ(read_static_trace(directory.c_str(), &counter), -1);
    EXPECT_EQ(read_static_trace((directory + "/missing.tsf").c_str(), &counter), -1);
    EXPECT_EQ(counter, 0);
    if (access("/proc/self/mem", R_OK) == 0) {
        EXPECT_EQ(read_static_trace("/proc/self/mem", &counter), -1);
    }
    rmdir(directory.c_str());
}

TEST_F(StaticReader, MillionNestedScopes)
{
    const int depth = 1000000;
    std::string text = "IN \"File\" 1 \"F\"\n";
    text.reserve(depth * 32);
    char line[64];
    for (int i = 0; i < depth; ++i) {
        snprintf(line, sizeof line, "IN \"TestSuite\" %x \"s\"\n", i + 2);
        text += line;
    }
    text += "TX 2000000 \"deepest\"\n";
    int32_t counter = 0;
    ASSERT_EQ(read_static_text(text, &counter), 0);
    const TestNode *node = find_node(0, 2000000);
    ASSERT_NE(node, nullptr);
    int levels = 0;
    for (; node->parent; node = node->parent)
        ++levels;
    EXPECT_EQ(levels, depth + 1);
    EXPECT_EQ(node, file_node_at(0));
}

}  // namespace
