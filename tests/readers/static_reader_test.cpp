// The static trace reader: record fields, the extra empty record at the end,
// scope nesting by the current scope, statement kinds, source names, section
// numbers across files and the mends for empty texts; and the one failure
// both readers have, an input that cannot be read. Trees are compared as text
// dumps.
#include "reader_helpers.h"

#include "readers/read_ahead.h"
#include "support/test_support.h"

#include <unistd.h>

namespace {

// Each record as "<kind> <number hex> <first text> <second text> <line>
// <identity hex>/<identity hex>"; the line after it must be left unread.
TEST(StaticRecords, FieldsOfEveryKind)
{
    const std::pair<std::string, std::string> cases[] = {
        {"IN   \"TestCase\" 1f   \"the name\" ignored", "2 1f TestCase the name 0 0/0"},
        {"IN \"File\" 1 \"tab\\there\"", "2 1 File tab\\there 0 0/0"},
        {"TX 12 \"a == \\\"b\\\"\"", "6 c a == \"b\" <none> 0 0/0"},  // statement numbers are decimal
        {"MS 7 \"m\"", "9 7 m <none> 0 0/0"},
        {"SO \"/x/y.java\" junk", "7 0 /x/y.java <none> 0 0/0"},
        {"LK 42", "8 0 <none> <none> 42 0/0"},
        {"ID 1a 2B", "3 0 <none> <none> 0 1a/2b"},
        {"SI 1f", "1 1f <none> <none> 0 0/0"},
        {"DB anything", "0 0 <none> <none> 0 0/0"},
        {"ED ", "4 0 <none> <none> 0 0/0"},
        {"ZZ stuff \"x\"", "5 0 <none> <none> 0 0/0"},
        {"db lower case", "5 0 <none> <none> 0 0/0"},
    };
    for (const auto &c : cases) {
        const std::string input = c.first + "\nNEXT";
        TraceStream *stream = trace_open_memory(input.data(), input.size());
        StaticRecord r = read_static_record(stream);
        char fields[64];
        snprintf(fields, sizeof fields, "%d %x ", r.kind, r.number);
        std::string seen = fields + take(r.first_text) + " " + take(r.second_text);
        snprintf(fields, sizeof fields, " %d %x/%x", r.line, r.identity_first, r.identity_second);
        EXPECT_EQ(seen + fields, c.second) << c.first;
        EXPECT_EQ(take(read_until_char(stream, '\n')), "NEXT") << c.first;
        trace_close(stream);
    }
}

TEST(StaticRecords, OneEmptyRecordAfterTheLastLine)
{
    TraceStream *stream = trace_open_memory("ED \n", 4);
    EXPECT_EQ(read_static_record(stream).kind, STATIC_ED);
    EXPECT_FALSE(trace_eof(stream));
    EXPECT_EQ(read_static_record(stream).kind, STATIC_OTHER);
    EXPECT_TRUE(trace_eof(stream));
    trace_close(stream);
}

using StaticReader = ReaderTest;

TEST_F(StaticReader, ScopesNestByTheCurrentScopeAndSiReturns)
{
    int32_t counter = 0;
    ASSERT_EQ(read_static_text("DB start\nSO \"/src/CalcTest.java\"\nIN \"File\" 1 \"CalcTest\"\nID a b\n"
                               "IN \"TestSuite\" 2 \"suite\"\nIN \"TestCase\" 3 \"case\"\nTX 4 \"before any line\"\n"
                               "LK 12\nTX 10 \"x == 2\"\nSI 2\nLK 20\nTX 11 \"y == 3\"\nIN \"Class\" 1a \"Helper\"\n"
                               "IN \"TestStub\" 1b \"stub\"\nIN \"Widget\" 1c \"unknown kind\"\n"
                               "MS 12 \"timerStart()\"\nSI 63\nTX 13 \"no such parent\"\nED \n",
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
    EXPECT_EQ(file_list_head()->identity_first, 0xau);
    EXPECT_EQ(file_list_head()->identity_second, 0xbu);
}

TEST_F(StaticReader, StatementKindsByText)
{
    const std::pair<const char *, int> cases[] = {
        {"TX 5 \"verifyLogMessage(log)\"", NODE_PRINT},  {"TX 5 \"a.entermethod()\"", NODE_PRINT},
        {"TX 5 \"exitmethod\"", NODE_PRINT},             {"TX 5 \"t.timerStart()\"", NODE_PRINT},
        {"TX 5 \"timerReportElapsedTime(t)\"", NODE_PRINT}, {"TX 5 \"t = createTimer()\"", NODE_COMMENT},
        {"TX 5 \"createTimer(); timerStart()\"", NODE_PRINT}, {"TX 5 \"TimerStart()\"", NODE_CHECK_EXPRESSION},
        {"TX 5 \"x == 2\"", NODE_CHECK_EXPRESSION},      {"TX 5 \"\"", NODE_CHECK_EXPRESSION},
        {"MS 5 \"timerStart()\"", NODE_CHECK_EXPRESSION}, {"MS 5 \"createTimer()\"", NODE_CHECK_EXPRESSION},
    };
    for (const auto &c : cases) {
        tree_init();
        read_static_text(std::string("IN \"File\" 1 \"F\"\n") + c.first + "\n");
        ASSERT_NE(find_node(0, 5), nullptr) << c.first;
        EXPECT_EQ(find_node(0, 5)->type, c.second) << c.first;
    }
}

TEST_F(StaticReader, EmptyTextsAndDecoding)
{
    read_static_text("IN \"File\" 1 \"\"\nIN \"TestCase\" 2 \"\"\nIN \"\" 3 \"no kind\"\nTX 4 \"\"\nMS 5 \"\"\n"
                     "IN \"TestSuite\" 6 \"tab\\there \\101\"\nTX 7 \"a\\\\tb\"\n");
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
    read_static_text("SO \"/src/A.java\"\nIN \"File\" 1 \"A\"\nED \n"
                     "IN \"File\" 1 \"B\"\nED \n"                              // the earlier SO was used up
                     "SO \"/src/C.java\"\nSO \"\"\nIN \"File\" 1 \"C\"\nED \n"  // an empty SO clears it
                     "SO \"/src/first.java\"\nSO \"/src/second.java\"\nIN \"File\" 1 \"D\"\nED \n",
                     &counter);
    EXPECT_EQ(counter, 4);
    const char *expected[] = {"/src/A.java", "/traces/static.tsf", "/traces/static.tsf", "/src/second.java"};
    for (int32_t file = 0; file < 4; ++file)
        EXPECT_EQ(take(file_name_of(file)), expected[file]) << file;
}

TEST_F(StaticReader, SectionNumbersCarryAcrossFilesAndStateDoesNot)
{
    const std::string first = write_temp_file("DB x\nIN \"File\" 1 \"A\"\nLK 9\nED \n"
                                              "IN \"File\" 1 \"B\"\nIN \"TestCase\" 5 \"c\"\nED \n");
    // An ED without a line end still counts; "ED\nDB" reads as one keyword.
    const std::string second = write_temp_file("ED\nDB x\nIN \"File\" 1 \"C\"\nTX 3 \"first statement\"\nED ");
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

// Past the first records a trace is read on a second thread; wherever that
// thread takes over, the tree, section names and counter come out the same.
TEST_F(StaticReader, ReadingAheadGivesTheSameTree)
{
    std::string text = "SO \"/src/A.java\"\nIN \"File\" 1 \"A\"\nID a b\nIN \"TestSuite\" 2 \"s\"\n";
    for (int i = 0; i < 3000; ++i) {
        const std::string id = std::to_string(3 + i);
        text += i % 7 == 0 ? "LK " + id + "\n" : "";
        text += i % 5 == 0 ? "TX " + id + " \"verifyLogMessage(" + id + ")\"\n" : "MS " + id + " \"x\\t" + id + "\"\n";
        text += i % 500 == 499 ? "ED \nSO \"/src/" + id + ".java\"\nIN \"File\" 1 \"F" + id + "\"\nSI 1\n" : "";
    }
    std::string expected;
    for (const size_t after : {size_t(4096), size_t(0), size_t(1), size_t(999)}) {
        set_read_ahead_after(after);
        tree_init();
        int32_t counter = 0;
        ASSERT_EQ(read_static_text(text, &counter), 0);
        std::string result = dump_tree() + std::to_string(counter);
        for (int32_t file = 0; file <= counter; ++file)
            result += " " + take(file_name_of(file));
        if (expected.empty())
            expected = result;
        EXPECT_TRUE(result == expected) << "read ahead after " << after;
    }
    set_read_ahead_after(4096);
    EXPECT_NE(expected.find("/src/3002.java"), std::string::npos);
}

// Directories, missing files and read errors fail; anything readable is
// read to its end.
TEST(Readers, FailOnlyWhenTheInputCannotBeRead)
{
    const std::string directory = make_temp_dir(), garbage = write_temp_file("not a trace\n\xff\xfe\n");
    for (const std::string &path : {directory, directory + "/missing", std::string("/proc/self/mem"), garbage}) {
        tree_init();
        int32_t counter = 0;
        EXPECT_EQ(read_static_trace(path.c_str(), &counter), path == garbage ? 0 : -1) << path;
        EXPECT_EQ(read_dynamic_trace(path.c_str()), path == garbage ? 0 : -1) << path;
        EXPECT_EQ(counter, 0);
    }
    tree_free();
    unlink(garbage.c_str());
    rmdir(directory.c_str());
}

}  // namespace
