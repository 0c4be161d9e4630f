// Node sections: the exact markup of a scope with its check, stub, print and
// message tables; which scopes are written and which hide their subtree;
// levels, styles and tag numbers; and a nesting a million scopes deep.
#include "diagnostics/memory.h"
#include "report/emitter.h"
#include "report/report_fixtures.h"
#include "report/sections.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class Sections : public ::testing::Test {
protected:
    void SetUp() override { tree_init(); }
    void TearDown() override { tree_free(); }

    static std::string section(TestNode *node)
    {
        const std::string text = capture_output([&](FILE *out) {
            SectionContext context = {out, 1};
            write_node_section(node, &context);
        });
        EXPECT_EQ(xml_error(text, true), "") << text;
        return text;
    }

    // A section from its first table to its end.
    static std::string table_of(TestNode *node)
    {
        const std::string text = section(node);
        return text.find("<TABLE") == std::string::npos ? std::string() : text.substr(text.find("<TABLE"));
    }
};

std::string header(const char *third, const char *fourth, const char *fifth)
{
    std::string row = "<ROW>\n";
    for (const char *label : {"Expression", "Status", third, fourth, fifth})
        row += std::string("<CELL_TEXT STYLE=\"Array Title\">") + label + "</CELL_TEXT>\n";
    return row + "</ROW>\n";
}

const std::string CHECK_TABLE = "<TABLE BORDER=\"1\" WIDTH=\"40,15,15,15,15\">\n";
const std::string CHECK_HEADER = header("Executed", "Failed", "Passed");
const std::string STUB_HEADER = header("entermethod()", "fail()", "exitmethod()");
const std::string END = "</TABLE>\n</XROD:NODE>\n";

// One check row: a link cell then four cells, all in one style; empty cells
// are blank.
std::string row(const char *style, const std::string &target, const char *text,
                std::initializer_list<const char *> cells)
{
    std::string out = std::string("<ROW>\n<CELL STYLE=\"") + style + "\"><LINK TARGET=\"" + target + "\">\n<TEXT>"
                      + text + "</TEXT>\n</LINK>\n</CELL>\n";
    for (const char *cell : cells)
        out += std::string("<CELL_TEXT STYLE=\"") + (*cell ? style : "Array") + "\">" + cell + "</CELL_TEXT>\n";
    return out + "</ROW>\n";
}

// Stub columns: entries, failures, passes; an unexecuted check has no row.
TEST_F(Sections, StubTable)
{
    add_driver(0, 1, "T", VERDICT_PASSED, "S.java");
    TestNode *stub = add_node(0, NODE_STUB, 2, "stubbed", 1, VERDICT_FAILED);
    add_node(0, NODE_CHECK_EXPRESSION, 3, "a", 2, VERDICT_FAILED, 7, {5, 3, 2, 4});
    add_node(0, NODE_CHECK_EXPRESSION, 4, "b", 2, VERDICT_PASSED, 8, {3, 3, 0, 1});
    add_node(0, NODE_CHECK_EXPRESSION, 5, "unrun", 2, VERDICT_NOT_EXECUTED, 9);
    EXPECT_NE(section(stub).find("type=\"Stub\" state=\"ko\" sum=\"1\" icone=\"class.xpm\">"), std::string::npos);
    EXPECT_EQ(table_of(stub), CHECK_TABLE + STUB_HEADER
                                  + row("Array Failed", "S.java line 7", "a", {"Failed", "4", "2", "3"})
                                  + row("Array", "S.java line 8", "b", {"Executed", "1", "0", "3"}) + END);
}

// Bare rows for checks never counted, entries only for entered ones; with no
// file name for the section the link targets hold only the line.
TEST_F(Sections, BareAndCountedCheckRows)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    TestNode *scope = add_node(0, NODE_TEST_CASE, 2, "t", 1, VERDICT_FAILED);
    add_node(0, NODE_CHECK_EXPRESSION, 3, "never counted", 2, VERDICT_EXECUTED, 3);
    add_node(0, NODE_CHECK_EXPRESSION, 4, "entries only", 2, VERDICT_EXECUTED, 4, {2, 0, 0, 2});
    add_node(0, NODE_CHECK_EXPRESSION, 5, "failing", 2, VERDICT_FAILED, 5, {3, 1, 2, 0});
    add_node(0, NODE_COMMENT, 6, "createTimer()", 2, VERDICT_PASSED, 6, {1, 1, 0, 0});
    EXPECT_EQ(table_of(scope), CHECK_TABLE + CHECK_HEADER + row("Array", " line 3", "never counted", {"", "", "", ""})
                                   + row("Array", " line 4", "entries only", {"Not Executed", "2", "", ""})
                                   + row("Array Failed", " line 5", "failing", {"Failed", "3", "2", "1"})
                                   + row("Array Passed", " line 6", "createTimer()", {"Passed", "1", "0", "1"})
                                   + END);
}

std::string print_table(const char *target, const char *text, const char *count)
{
    return std::string("</TABLE>\n<TABLE BORDER=\"1\" WIDTH=\"55,45\">\n<ROW>\n<CELL STYLE=\"Array\">\n"
                       "<IMAGE NAME=\"arrow10.xpm\"/><LINK TARGET=\"")
           + target + "\">\n<TEXT>" + text + "</TEXT>\n</LINK>\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>(x" + count
           + ")</TEXT>\n</CELL>\n</ROW>\n</TABLE>\n";
}

// A Print closes the check table, shows its count and messages, and opens a
// new check table after it, even as the last row and under a Stub.
TEST_F(Sections, PrintRowsAndMessages)
{
    add_driver(0, 1, "T", VERDICT_PASSED, "P.java");
    TestNode *scope = add_node(0, NODE_TEST_CASE, 2, "t", 1, VERDICT_PASSED);
    add_node(0, NODE_CHECK_EXPRESSION, 3, "before", 2, VERDICT_PASSED, 3, {1, 1, 0, 0});
    TestNode *print = add_node(0, NODE_PRINT, 4, "log(x)", 2, VERDICT_PASSED, 4, {4, 4, 0, 0});
    for (const char *message : {"first", " second\tline ", "<third>"})
        add_message(print, mem_strdup(message));
    add_node(0, NODE_CHECK_EXPRESSION, 5, "after", 2, VERDICT_PASSED, 5, {1, 1, 0, 0});
    std::string messages = "<TABLE BORDER=\"0\" WIDTH=\"5,95\">\n";
    for (const char *message : {"first", "second line", "&lt;third&gt;"})
        messages += std::string("<ROW>\n<CELL STYLE=\"Array\">\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>") + message
                    + "</TEXT>\n</CELL>\n</ROW>\n";
    EXPECT_EQ(table_of(scope), CHECK_TABLE + CHECK_HEADER
                                   + row("Array Passed", "P.java line 3", "before", {"Passed", "1", "0", "1"})
                                   + print_table("P.java line 4", "log(x)", "4") + messages + "</TABLE>\n" + CHECK_TABLE
                                   + row("Array Passed", "P.java line 5", "after", {"Passed", "1", "0", "1"}) + END);

    TestNode *stub = add_node(0, NODE_STUB, 6, "s", 1, VERDICT_PASSED);
    add_node(0, NODE_PRINT, 7, "only print", 6, VERDICT_EXECUTED, 9);
    EXPECT_EQ(table_of(stub), CHECK_TABLE + STUB_HEADER + print_table("P.java line 9", "only print", "0")
                                  + CHECK_TABLE + END);
}

TEST_F(Sections, ScopesThatAreNotWrittenHideTheirSubtrees)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (int32_t status : {VERDICT_NOT_EXECUTED, VERDICT_NONE}) {
        TestNode *suite = add_node(0, NODE_TEST_SUITE, 10 + status, "suite", 1, status);
        add_node(0, NODE_TEST_CASE, 20 + status, "inner", 10 + status, VERDICT_PASSED);
        add_node(0, NODE_CHECK_EXPRESSION, 30 + status, "c", 20 + status, VERDICT_FAILED, 1, {1, 0, 1, 0});
        EXPECT_EQ(section(suite), "") << "status " << status;
    }
    // A check is no section type: nothing for it or for scopes below it.
    TestNode *check = add_node(0, NODE_CHECK_EXPRESSION, 40, "c", 1, VERDICT_PASSED, 1, {1, 1, 0, 0});
    add_node(0, NODE_TEST_CASE, 41, "below a check", 40, VERDICT_PASSED);
    EXPECT_EQ(section(check), "");
    EXPECT_EQ(section(nullptr), "");

    // Inside a written scope, hidden children leave no trace, and scopes
    // whose checks were never executed get no table.
    TestNode *outer = add_node(0, NODE_TEST_CLASS, 50, "outer", 1, VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 51, "hidden", 50, VERDICT_NONE);
    add_node(0, NODE_TEST_CASE, 52, "shown", 50, VERDICT_FAILED);
    add_node(0, NODE_CHECK_EXPRESSION, 53, "unrun", 52, VERDICT_NOT_EXECUTED, 1);
    // A node's section is its subtree alone: a written scope after it, under
    // the same parent, is not part of it.
    add_node(0, NODE_TEST_CLASS, 60, "following", 1, VERDICT_PASSED);
    const std::string text = section(outer);
    EXPECT_EQ(count_of(text, "<XROD:NODE"), 2u) << text;
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_EQ(text.find("following"), std::string::npos);
    EXPECT_EQ(text.find("<TABLE"), std::string::npos);
}

TEST_F(Sections, SumAndIconPerSectionType)
{
    const std::pair<int32_t, const char *> cases[] = {
        {NODE_TEST_CASE, "\"Test Case\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"},
        {NODE_PROC, "\"Proc\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"},
        {NODE_STUB, "\"Stub\" state=\"ok\" sum=\"1\" icone=\"class.xpm\">"},
        {NODE_TEST_SUITE, "\"Test Suite\" state=\"ok\" icone=\"class.xpm\">"},
        {NODE_TEST_CLASS, "\"Test Class\" state=\"ok\" icone=\"class.xpm\">"},
        {NODE_TEST_DRIVER, "\"Test Driver\" state=\"ok\" icone=\"class.xpm\">"},
    };
    add_driver(0, 1, "T", VERDICT_PASSED);
    uint32_t id = 2;
    for (const auto &c : cases) {
        const std::string text = section(add_node(0, c.first, id++, "", 1, VERDICT_PASSED));
        EXPECT_EQ(text.find(std::string("<XROD:NODE name=\"\" type=") + c.second), 0u) << text;
    }
    EXPECT_NE(section(add_node(0, NODE_TEST_CASE, id, "e", 1, VERDICT_EXECUTED)).find("state=\"NE\""),
              std::string::npos);
}

// A document's sections are built on two threads, the second one's batches
// put back in their place, and a batch whose markup grows too large is
// finished by the first thread: the bytes are those one thread writes.
TEST_F(Sections, TwoThreadsWriteWhatOneWrites)
{
    std::vector<TestNode *> drivers;
    uint32_t id = 1;
    for (int32_t file = 0; file < 3; ++file) {
        drivers.push_back(add_driver(file, id, "D", VERDICT_PASSED, "D.java"));
        const uint32_t driver = id++;
        for (int scope = 0; scope < 100; ++scope) {
            const uint32_t suite = id++;
            add_node(file, NODE_TEST_SUITE, suite, "suite", driver, scope % 3 ? VERDICT_PASSED : VERDICT_FAILED);
            const uint32_t test = id++;
            add_node(file, NODE_TEST_CASE, test, "case", suite, VERDICT_PASSED);
            add_node(file, NODE_CHECK_EXPRESSION, id++, "x < 1", test, VERDICT_PASSED, 3, {1, 1, 0, 0});
            TestNode *print = add_node(file, NODE_PRINT, id++, "log()", test, VERDICT_PASSED, 4, {1, 1, 0, 0});
            // Every batch of a few scopes passes the lowered limit, one
            // scope passes the usual one.
            const int messages = scope == 25 ? 12000 : 40;
            for (int m = 0; m < messages; ++m)
                add_message(print, mem_strdup("a message of some length"));
        }
    }
    const auto document = [&](bool two_threads, size_t limit) {
        set_section_helper_limits(0, limit);
        tag_counter = 0;
        const std::string text = capture_output([&](FILE *out) {
            if (two_threads)
                begin_section_document();
            write_driver_sections(out, drivers.data(), drivers.size());
            if (two_threads)
                end_section_document();
        });
        set_section_helper_limits(4096, size_t(1) << 20);
        return text;
    };
    const std::string one = document(false, size_t(1) << 20);
    EXPECT_EQ(tag_counter, 3 * 2 + 3 * 100 * 2);
    EXPECT_GT(one.size(), size_t(3000000));
    // Compared whole: a line diff of texts this long would take too long.
    for (size_t limit : {size_t(1) << 20, size_t(0)}) {
        const std::string two = document(true, limit);
        const size_t differs = std::mismatch(one.begin(), one.end(), two.begin(), two.end()).first - one.begin();
        EXPECT_TRUE(two == one) << "limit " << limit << ": sizes " << one.size() << " and " << two.size()
                                << ", first difference at byte " << differs;
    }
}

// Every section opens, on a line of its own, before the first one closes;
// levels and tag numbers go on growing down the chain.
TEST_F(Sections, AMillionDeepChainIsWrittenWithoutRecursion)
{
    const uint32_t depth = 1000000;
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (uint32_t id = 2; id <= depth + 1; ++id)
        add_node(0, NODE_TEST_SUITE, id, "s", id - 1, id % 2 ? VERDICT_FAILED : VERDICT_PASSED);
    FILE *out = tmpfile();
    ASSERT_NE(out, nullptr);
    tag_counter = 0;
    SectionContext context = {out, 1};
    write_node_section(find_node(0, 2), &context);
    EXPECT_EQ(tag_counter, static_cast<int>(depth));
    rewind(out);
    char *line = nullptr;
    size_t capacity = 0, opens = 0, closes = 0, closes_too_early = 0;
    std::string first_open, last_open;
    while (getline(&line, &capacity, out) > 0)
        if (strncmp(line, "<XROD:NODE ", 11) == 0) {
            (opens++ ? last_open : first_open) = line;
        } else if (strcmp(line, "</XROD:NODE>\n") == 0 && ++closes && opens < depth) {
            ++closes_too_early;
        }
    free(line);
    fclose(out);
    EXPECT_EQ(opens, depth);
    EXPECT_EQ(closes, depth);
    EXPECT_EQ(closes_too_early, 0u);
    EXPECT_NE(first_open.find("<TITLE LEVEL=\"1\" TAG=\"nodex0\" STYLE=\"Title2 Passed\">"), std::string::npos);
    EXPECT_NE(last_open.find("<TITLE LEVEL=\"1000000\" TAG=\"nodex999999\" STYLE=\"Title5 Failed\">"),
              std::string::npos) << last_open;
}

}  // namespace
