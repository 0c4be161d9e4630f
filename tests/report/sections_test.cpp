// Node sections: the exact markup of a scope with its check, stub, print and
// message tables; which scopes are written and which hide their subtree;
// levels, styles and tag numbers; and a nesting a million scopes deep.
#include "diagnostics/memory.h"
#include "report/emitter.h"
#include "report/report_fixtures.h"
#include "report/sections.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Sections : public ::testing::Test {
protected:
    void SetUp() override { tree_init(); }
    void TearDown() override { tree_free(); }

    static std::string section(TestNode *node, int depth = 1)
    {
        const std::string text = capture_output([&](FILE *out) {
            SectionContext context = {out, depth};
            write_node_section(node, &context);
        });
        EXPECT_EQ(xml_error(text, true), "") << text;
        return text;
    }
};

const char CHECK_HEADER[] =
    "<ROW>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Expression</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Status</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Executed</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Failed</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Passed</CELL_TEXT>\n"
    "</ROW>\n";

const char STUB_HEADER[] =
    "<ROW>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Expression</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">Status</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">entermethod()</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">fail()</CELL_TEXT>\n"
    "<CELL_TEXT STYLE=\"Array Title\">exitmethod()</CELL_TEXT>\n"
    "</ROW>\n";

const char CHECK_TABLE[] = "<TABLE BORDER=\"1\" WIDTH=\"40,15,15,15,15\">\n";
const char BLANK[] = "<CELL_TEXT STYLE=\"Array\"></CELL_TEXT>\n";

std::string link(const char *style, const char *target_and_line, const char *text)
{
    return std::string("<CELL STYLE=\"") + style + "\"><LINK TARGET=\"" + target_and_line + "\">\n<TEXT>" + text
           + "</TEXT>\n</LINK>\n</CELL>\n";
}

std::string cell(const char *style, const char *text)
{
    return std::string("<CELL_TEXT STYLE=\"") + style + "\">" + text + "</CELL_TEXT>\n";
}

// The part of a section from its check table to its end.
std::string from_table(const std::string &text)
{
    const size_t at = text.find("<TABLE");
    return at == std::string::npos ? std::string() : text.substr(at);
}

TEST_F(Sections, TestCaseExampleByteForByte)
{
    add_driver(0, 1, "T", VERDICT_PASSED, "/src/CalcTest.java");
    TestNode *test_case = add_node(0, NODE_TEST_CASE, 2, "testAdd", 1, VERDICT_PASSED);
    add_check(0, NODE_CHECK_EXPRESSION, 3, "x == 2", 2, VERDICT_PASSED, 12, {1, 1, 0, 0});
    tag_counter = 5;
    EXPECT_EQ(section(test_case),
              "<XROD:NODE name=\"testAdd\" type=\"Test Case\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"
              "<TITLE LEVEL=\"1\" TAG=\"nodex5\" STYLE=\"Title2 Passed\">\n"
              "<TEXT>Test Case testAdd</TEXT>\n"
              "</TITLE>\n"
              + std::string(CHECK_TABLE) + CHECK_HEADER
              + "<ROW>\n"
              "<CELL STYLE=\"Array Passed\"><LINK TARGET=\"/src/CalcTest.java line 12\">\n"
              "<TEXT>x == 2</TEXT>\n"
              "</LINK>\n"
              "</CELL>\n"
              "<CELL_TEXT STYLE=\"Array Passed\">Passed</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Passed\">1</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Passed\">0</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Passed\">1</CELL_TEXT>\n"
              "</ROW>\n"
              "</TABLE>\n"
              "</XROD:NODE>\n");
    EXPECT_EQ(tag_counter, 6);
}

TEST_F(Sections, StubTable)
{
    add_driver(0, 1, "T", VERDICT_PASSED, "S.java");
    TestNode *stub = add_node(0, NODE_STUB, 2, "stubbed", 1, VERDICT_FAILED);
    add_check(0, NODE_CHECK_EXPRESSION, 3, "a", 2, VERDICT_FAILED, 7, {5, 3, 2, 4});
    add_check(0, NODE_CHECK_EXPRESSION, 4, "b", 2, VERDICT_PASSED, 8, {3, 3, 0, 1});
    add_check(0, NODE_CHECK_EXPRESSION, 5, "unrun", 2, VERDICT_NOT_EXECUTED, 9, {0, 0, 0, 0});
    const std::string text = section(stub);
    EXPECT_NE(text.find("type=\"Stub\" state=\"ko\" sum=\"1\" icone=\"class.xpm\">"), std::string::npos) << text;
    EXPECT_EQ(from_table(text),
              std::string(CHECK_TABLE) + STUB_HEADER
                  + "<ROW>\n" + link("Array Failed", "S.java line 7", "a") + cell("Array Failed", "Failed")
                  + cell("Array Failed", "4") + cell("Array Failed", "2") + cell("Array Failed", "3") + "</ROW>\n"
                  + "<ROW>\n" + link("Array", "S.java line 8", "b") + cell("Array", "Executed")
                  + cell("Array", "1") + cell("Array", "0") + cell("Array", "3") + "</ROW>\n"
                  + "</TABLE>\n</XROD:NODE>\n");
}

TEST_F(Sections, BareAndCountedCheckRows)
{
    add_driver(0, 1, "T", VERDICT_PASSED, "C.java");
    TestNode *scope = add_node(0, NODE_TEST_CASE, 2, "t", 1, VERDICT_FAILED);
    add_check(0, NODE_CHECK_EXPRESSION, 3, "never counted", 2, VERDICT_EXECUTED, 3, {0, 0, 0, 0});
    add_check(0, NODE_CHECK_EXPRESSION, 4, "entries only", 2, VERDICT_EXECUTED, 4, {2, 0, 0, 2});
    add_check(0, NODE_CHECK_EXPRESSION, 5, "failing", 2, VERDICT_FAILED, 5, {3, 1, 2, 0});
    add_check(0, NODE_COMMENT, 6, "createTimer()", 2, VERDICT_PASSED, 6, {1, 1, 0, 0});
    EXPECT_EQ(from_table(section(scope)),
              std::string(CHECK_TABLE) + CHECK_HEADER
                  + "<ROW>\n" + link("Array", "C.java line 3", "never counted") + BLANK + BLANK + BLANK + BLANK
                  + "</ROW>\n"
                  + "<ROW>\n" + link("Array", "C.java line 4", "entries only") + cell("Array", "Not Executed")
                  + cell("Array", "2") + BLANK + BLANK + "</ROW>\n"
                  + "<ROW>\n" + link("Array Failed", "C.java line 5", "failing") + cell("Array Failed", "Failed")
                  + cell("Array Failed", "3") + cell("Array Failed", "2") + cell("Array Failed", "1") + "</ROW>\n"
                  + "<ROW>\n" + link("Array Passed", "C.java line 6", "createTimer()")
                  + cell("Array Passed", "Passed") + cell("Array Passed", "1") + cell("Array Passed", "0")
                  + cell("Array Passed", "1") + "</ROW>\n"
                  + "</TABLE>\n</XROD:NODE>\n");
}

std::string print_table(const char *target_and_line, const char *text, const char *count)
{
    return std::string("</TABLE>\n<TABLE BORDER=\"1\" WIDTH=\"55,45\">\n<ROW>\n<CELL STYLE=\"Array\">\n"
                       "<IMAGE NAME=\"arrow10.xpm\"/><LINK TARGET=\"")
           + target_and_line + "\">\n<TEXT>" + text + "</TEXT>\n</LINK>\n</CELL>\n"
           + "<CELL STYLE=\"Array\">\n<TEXT>(x" + count + ")</TEXT>\n</CELL>\n</ROW>\n</TABLE>\n";
}

std::string message_row(const char *text)
{
    return std::string("<ROW>\n<CELL STYLE=\"Array\">\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>") + text
           + "</TEXT>\n</CELL>\n</ROW>\n";
}

char *owned_text(const char *text)
{
    return mem_strdup(text);
}

TEST_F(Sections, PrintWithMessagesBetweenChecks)
{
    add_driver(0, 1, "T", VERDICT_PASSED, "P.java");
    TestNode *scope = add_node(0, NODE_TEST_CASE, 2, "t", 1, VERDICT_PASSED);
    add_check(0, NODE_CHECK_EXPRESSION, 3, "before", 2, VERDICT_PASSED, 3, {1, 1, 0, 0});
    TestNode *print = add_check(0, NODE_PRINT, 4, "log(x)", 2, VERDICT_PASSED, 4, {4, 4, 0, 0});
    add_message(print, owned_text("first"));
    add_message(print, owned_text(" second\tline "));
    add_message(print, owned_text("<third>"));
    add_check(0, NODE_CHECK_EXPRESSION, 5, "after", 2, VERDICT_PASSED, 5, {1, 1, 0, 0});
    EXPECT_EQ(from_table(section(scope)),
              std::string(CHECK_TABLE) + CHECK_HEADER
                  + "<ROW>\n" + link("Array Passed", "P.java line 3", "before") + cell("Array Passed", "Passed")
                  + cell("Array Passed", "1") + cell("Array Passed", "0") + cell("Array Passed", "1") + "</ROW>\n"
                  + print_table("P.java line 4", "log(x)", "4")
                  + "<TABLE BORDER=\"0\" WIDTH=\"5,95\">\n" + message_row("first") + message_row("second line")
                  + message_row("&lt;third&gt;") + "</TABLE>\n"
                  + CHECK_TABLE
                  + "<ROW>\n" + link("Array Passed", "P.java line 5", "after") + cell("Array Passed", "Passed")
                  + cell("Array Passed", "1") + cell("Array Passed", "0") + cell("Array Passed", "1") + "</ROW>\n"
                  + "</TABLE>\n</XROD:NODE>\n");
}

TEST_F(Sections, PrintAsTheLastCheckLeavesAnEmptyTable)
{
    // Under a Stub too, a Print takes the print form.
    add_driver(0, 1, "T", VERDICT_PASSED, "P.java");
    TestNode *stub = add_node(0, NODE_STUB, 2, "s", 1, VERDICT_PASSED);
    add_check(0, NODE_PRINT, 3, "only print", 2, VERDICT_EXECUTED, 9, {0, 0, 0, 0});
    EXPECT_EQ(from_table(section(stub)),
              std::string(CHECK_TABLE) + STUB_HEADER + print_table("P.java line 9", "only print", "0")
                  + CHECK_TABLE + "</TABLE>\n</XROD:NODE>\n");
}

TEST_F(Sections, ScopesThatAreNotWrittenHideTheirSubtrees)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (int32_t status : {VERDICT_NOT_EXECUTED, VERDICT_NONE}) {
        TestNode *suite = add_node(0, NODE_TEST_SUITE, 10 + status, "suite", 1, status);
        add_node(0, NODE_TEST_CASE, 20 + status, "inner", 10 + status, VERDICT_PASSED);
        add_check(0, NODE_CHECK_EXPRESSION, 30 + status, "c", 20 + status, VERDICT_FAILED, 1, {1, 0, 1, 0});
        EXPECT_EQ(section(suite), "") << "status " << status;
    }
    // A check is no section type: nothing for it or for scopes below it.
    TestNode *check = add_check(0, NODE_CHECK_EXPRESSION, 40, "c", 1, VERDICT_PASSED, 1, {1, 1, 0, 0});
    add_node(0, NODE_TEST_CASE, 41, "below a check", 40, VERDICT_PASSED);
    EXPECT_EQ(section(check), "");
    EXPECT_EQ(section(nullptr), "");

    // Hidden children inside a written scope leave no trace either.
    TestNode *outer = add_node(0, NODE_TEST_CLASS, 50, "outer", 1, VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 51, "hidden", 50, VERDICT_NONE);
    add_node(0, NODE_TEST_CASE, 52, "shown", 50, VERDICT_PASSED);
    const std::string text = section(outer);
    EXPECT_EQ(count_of(text, "<XROD:NODE"), 2u) << text;
    EXPECT_EQ(text.find("hidden"), std::string::npos);
}

TEST_F(Sections, ScopesWithoutReportableChecksHaveNoTable)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    TestNode *test_class = add_node(0, NODE_TEST_CLASS, 2, "K", 1, VERDICT_FAILED);
    add_node(0, NODE_TEST_CASE, 3, "a", 2, VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 4, "b", 2, VERDICT_FAILED);
    add_check(0, NODE_CHECK_EXPRESSION, 5, "unrun", 4, VERDICT_NOT_EXECUTED, 1, {0, 0, 0, 0});
    tag_counter = 0;
    EXPECT_EQ(section(test_class),
              "<XROD:NODE name=\"K\" type=\"Test Class\" state=\"ko\" icone=\"class.xpm\">"
              "<TITLE LEVEL=\"1\" TAG=\"nodex0\" STYLE=\"Title2 Failed\">\n<TEXT>Test Class K</TEXT>\n</TITLE>\n"
              "<XROD:NODE name=\"a\" type=\"Test Case\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"
              "<TITLE LEVEL=\"2\" TAG=\"nodex1\" STYLE=\"Title3 Passed\">\n<TEXT>Test Case a</TEXT>\n</TITLE>\n"
              "</XROD:NODE>\n"
              "<XROD:NODE name=\"b\" type=\"Test Case\" state=\"ko\" sum=\"1\" icone=\"method.xpm\">"
              "<TITLE LEVEL=\"2\" TAG=\"nodex2\" STYLE=\"Title3 Failed\">\n<TEXT>Test Case b</TEXT>\n</TITLE>\n"
              "</XROD:NODE>\n"
              "</XROD:NODE>\n");
}

TEST_F(Sections, LevelsStylesAndNumbersDownAChain)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (uint32_t id = 2; id <= 8; ++id)
        add_node(0, NODE_TEST_SUITE, id, "s", id - 1, id % 2 ? VERDICT_FAILED : VERDICT_PASSED);
    tag_counter = 3;
    const std::string text = section(find_node(0, 2));
    const char *expected_titles[] = {
        "<TITLE LEVEL=\"1\" TAG=\"nodex3\" STYLE=\"Title2 Passed\">",
        "<TITLE LEVEL=\"2\" TAG=\"nodex4\" STYLE=\"Title3 Failed\">",
        "<TITLE LEVEL=\"3\" TAG=\"nodex5\" STYLE=\"Title4 Passed\">",
        "<TITLE LEVEL=\"4\" TAG=\"nodex6\" STYLE=\"Title5 Failed\">",
        "<TITLE LEVEL=\"5\" TAG=\"nodex7\" STYLE=\"Title5 Passed\">",
        "<TITLE LEVEL=\"6\" TAG=\"nodex8\" STYLE=\"Title5 Failed\">",
        "<TITLE LEVEL=\"7\" TAG=\"nodex9\" STYLE=\"Title5 Passed\">",
    };
    size_t at = 0;
    for (const char *title : expected_titles) {
        at = text.find(title, at);
        ASSERT_NE(at, std::string::npos) << title << "\n" << text;
    }
    EXPECT_EQ(tag_counter, 10);
    EXPECT_EQ(text.substr(text.size() - 7 * 13), [] {
        std::string closes;
        for (int i = 0; i < 7; ++i)
            closes += "</XROD:NODE>\n";
        return closes;
    }());
}

TEST_F(Sections, EmptyTextsAndMarkupInTexts)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    TestNode *empty = add_node(0, NODE_TEST_CASE, 2, "", 1, VERDICT_PASSED);
    const std::string text = section(empty);
    EXPECT_EQ(text.substr(0, text.find('>') + 1),
              "<XROD:NODE name=\"\" type=\"Test Case\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">");
    EXPECT_NE(text.find("<TEXT>Test Case</TEXT>"), std::string::npos) << text;

    // No file name for the check's file number: the target is empty.
    TestNode *odd = add_node(0, NODE_PROC, 3, " a<b> & \"c\"\n\x01", 1, VERDICT_PASSED);
    add_check(0, NODE_CHECK_EXPRESSION, 4, "x\t<\t y", 3, VERDICT_PASSED, 2, {1, 1, 0, 0});
    const std::string odd_text = section(odd);
    EXPECT_NE(odd_text.find("name=\"a&lt;b&gt; &amp; &quot;c&quot; \xEF\xBF\xBD\""), std::string::npos) << odd_text;
    EXPECT_NE(odd_text.find("<TEXT>Proc a&lt;b&gt; &amp; &quot;c&quot; \xEF\xBF\xBD</TEXT>"), std::string::npos);
    EXPECT_NE(odd_text.find("<LINK TARGET=\" line 2\">\n<TEXT>x &lt; y</TEXT>"), std::string::npos);
}

TEST_F(Sections, SumAndIconPerSectionType)
{
    struct Case {
        int32_t type;
        const char *attributes;
    };
    const Case cases[] = {
        {NODE_TEST_CASE, "type=\"Test Case\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"},
        {NODE_PROC, "type=\"Proc\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"},
        {NODE_STUB, "type=\"Stub\" state=\"ok\" sum=\"1\" icone=\"class.xpm\">"},
        {NODE_TEST_SUITE, "type=\"Test Suite\" state=\"ok\" icone=\"class.xpm\">"},
        {NODE_TEST_CLASS, "type=\"Test Class\" state=\"ok\" icone=\"class.xpm\">"},
        {NODE_TEST_DRIVER, "type=\"Test Driver\" state=\"ok\" icone=\"class.xpm\">"},
    };
    add_driver(0, 1, "T", VERDICT_PASSED);
    uint32_t id = 2;
    for (const Case &c : cases) {
        TestNode *node = add_node(0, c.type, id++, "n", 1, VERDICT_PASSED);
        const std::string text = section(node);
        EXPECT_EQ(text.substr(0, text.find('>') + 1), std::string("<XROD:NODE name=\"n\" ") + c.attributes);
    }
    TestNode *executed = add_node(0, NODE_TEST_CASE, id++, "e", 1, VERDICT_EXECUTED);
    EXPECT_NE(section(executed).find("state=\"NE\""), std::string::npos);
}

TEST_F(Sections, AMillionDeepChainIsWrittenWithoutRecursion)
{
    const uint32_t depth = 1000000;
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (uint32_t id = 2; id <= depth + 1; ++id)
        add_node(0, NODE_TEST_SUITE, id, "s", id - 1, VERDICT_PASSED);
    FILE *out = tmpfile();
    ASSERT_NE(out, nullptr);
    tag_counter = 0;
    SectionContext context = {out, 1};
    write_node_section(find_node(0, 2), &context);
    EXPECT_EQ(tag_counter, static_cast<int>(depth));

    // Read it back line by line: every section opens before the first one
    // closes, and each opens on a line of its own.
    rewind(out);
    char *line = nullptr;
    size_t capacity = 0;
    size_t opens = 0, closes = 0;
    bool closed_before_last_open = false;
    while (getline(&line, &capacity, out) > 0) {
        if (strncmp(line, "<XROD:NODE ", 11) == 0)
            ++opens;
        else if (strcmp(line, "</XROD:NODE>\n") == 0 && ++closes && opens < depth)
            closed_before_last_open = true;
    }
    free(line);
    fclose(out);
    EXPECT_EQ(opens, depth);
    EXPECT_EQ(closes, depth);
    EXPECT_FALSE(closed_before_last_open);
}

}  // namespace
