// The results document: the whole frame line by line, tag numbers across
// file sections, summary counts and styles, the studio header's values,
// escaping of the path, file order, and the two failure results. Every
// document written here is checked to be well-formed XML.
#include "diagnostics/memory.h"
#include "driver/identity.h"
#include "project/header.h"
#include "report/emitter.h"
#include "report/jresfile.h"
#include "report/map_translator.h"
#include "report/report_fixtures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char TIME_PATTERN[] = "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}";

class Document : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_init();
        unsetenv("ZEPH_STUDIO_HEADER_FILE");
        tag_counter = 0;
        directory_ = make_temp_dir();
    }
    void TearDown() override
    {
        tree_free();
        unsetenv("ZEPH_STUDIO_HEADER_FILE");
    }

    std::string path(const std::string &name) const { return directory_ + "/" + name; }

    // Writes the document to path and returns its text, checked well-formed.
    std::string written(const std::string &file_path)
    {
        EXPECT_EQ(write_results_file(file_path.c_str()), WRITE_OK);
        std::ifstream in(file_path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(xml_error(text, false), "") << text;
        return text;
    }

    std::string written() { return written(path("r.xrd")); }

private:
    std::string directory_;
};

std::string summary(const char *passed_style, int passed, const char *failed_style, int failed, int total)
{
    const auto row = [](const char *style, const char *label, int count) {
        return "<ROW>\n<CELL_TEXT STYLE=\"" + std::string(style) + "\">" + label + "</CELL_TEXT>\n<CELL_TEXT STYLE=\""
               + style + "\">" + std::to_string(count) + "</CELL_TEXT>\n</ROW>\n";
    };
    return row(passed_style, "Passed", passed) + row(failed_style, "Failed", failed) + row("Array", "Total", total)
           + "</TABLE>\n</SECTION>\n";
}

TEST_F(Document, WholeDocumentLineByLine)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 2, "c1", 1, VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 3, "c2", 1, VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 4, "c3", 1, VERDICT_PASSED);
    const std::string file_path = path("r.xrd");
    const std::vector<std::string> lines = split_lines(written(file_path));

    const auto info_row = [](const char *label, const std::string &value) {
        return std::vector<std::string>{std::string("<CELL_TEXT STYLE=\"Array\">") + label + "</CELL_TEXT>",
                                        "<CELL_TEXT STYLE=\"Array\">" + value + "</CELL_TEXT>", "</ROW>"};
    };
    std::vector<std::string> expected = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<XROD>",
        "<APIDOC>",
        "<DOCUMENT TITLE=\"" + file_path + "\" TAG=\" x0\">",
        "<SECTION TAG=\"filex1\">",
        "<TITLE LEVEL=\"0\" TAG=\"nodex2\" STYLE=\"Title1\">",
        "<TEXT>Report Information</TEXT>",
        "</TITLE>",
        "<TABLE BORDER=\"1\">",
        std::string("<ROW STYLE=\"Array Title\"><CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">") + PRODUCT_NAME + " "
            + PRODUCT_TITLE + "</CELL_TEXT></ROW><ROW STYLE=\"Array Title\"><CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">"
            + LEGAL_OWNER + "</CELL_TEXT></ROW><ROW>",
    };
    const std::pair<const char *, std::string> rows[] = {
        {"Project", ""}, {"Project File", ""}, {"Project Configuration", ""}, {"Workspace", ""},
        {"Test Node", ""}, {"Report File", file_path}, {"Generation Time", "TIME"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        if (i > 0)
            expected.push_back("<ROW>");
        for (const std::string &line : info_row(rows[i].first, rows[i].second))
            expected.push_back(line);
    }
    for (const std::string &line : split_lines(summary("Array Passed", 3, "Array", 0, 3)))
        expected.push_back(line);
    const std::vector<std::string> tail = {
        "<XROD:NODE name=\"T\" type=\"Test Driver\" state=\"ok\" icone=\"testscript.xpm\"><SECTION TAG=\"rootx3\">",
        "<TITLE LEVEL=\"0\" TAG=\"nodex4\" STYLE=\"Title1 Passed\">",
        "<TEXT>Test Driver T</TEXT>",
        "</TITLE>",
    };
    expected.insert(expected.end(), tail.begin(), tail.end());
    for (int i = 1; i <= 3; ++i) {
        const std::string n = std::to_string(i);
        expected.push_back("<XROD:NODE name=\"c" + n
                           + "\" type=\"Test Case\" state=\"ok\" sum=\"1\" icone=\"method.xpm\">"
                             "<TITLE LEVEL=\"1\" TAG=\"nodex"
                           + std::to_string(4 + i) + "\" STYLE=\"Title2 Passed\">");
        expected.push_back("<TEXT>Test Case c" + n + "</TEXT>");
        expected.push_back("</TITLE>");
        expected.push_back("</XROD:NODE>");
    }
    for (const char *line : {"</SECTION>", "</XROD:NODE>", "</DOCUMENT>", "</APIDOC>", "</XROD>"})
        expected.push_back(line);

    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (expected[i] == "<CELL_TEXT STYLE=\"Array\">TIME</CELL_TEXT>") {
            // A one-digit day keeps a single space before it.
            EXPECT_TRUE(std::regex_match(lines[i], std::regex("<CELL_TEXT STYLE=\"Array\">[A-Z][a-z]{2} [A-Z][a-z]{2} "
                                                              "[1-9][0-9]? [0-9:]{8} [0-9]{4}</CELL_TEXT>")))
                << lines[i];
            continue;
        }
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(tag_counter, 8);
}

TEST_F(Document, TimeTextHasTheFixedLayout)
{
    const std::string text = generation_time_text();
    EXPECT_EQ(text.size(), 24u);
    EXPECT_TRUE(std::regex_match(text, std::regex(TIME_PATTERN))) << text;
}

TEST_F(Document, TagNumbersRunOnAcrossFileSections)
{
    add_driver(0, 1, "A", VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 2, "a1", 1, VERDICT_PASSED);
    add_driver(1, 1, "B", VERDICT_FAILED);
    add_node(1, NODE_TEST_SUITE, 2, "suite", 1, VERDICT_FAILED);
    add_node(1, NODE_TEST_CASE, 3, "b1", 2, VERDICT_PASSED);
    add_node(1, NODE_TEST_CASE, 4, "b2", 2, VERDICT_PASSED);
    add_node(1, NODE_STUB, 5, "b3", 2, VERDICT_FAILED);
    const std::string text = written();
    // B was added last, so it comes first.
    const size_t b = text.find("name=\"B\" type=\"Test Driver\" state=\"ko\" icone=\"testscript.xpm\"><SECTION TAG=\"rootx3\">\n"
                               "<TITLE LEVEL=\"0\" TAG=\"nodex4\" STYLE=\"Title1 Failed\">\n<TEXT>Test Driver B</TEXT>");
    const size_t a = text.find("name=\"A\" type=\"Test Driver\" state=\"ok\" icone=\"testscript.xpm\"><SECTION TAG=\"rootx9\">\n"
                               "<TITLE LEVEL=\"0\" TAG=\"nodex10\" STYLE=\"Title1 Passed\">\n<TEXT>Test Driver A</TEXT>");
    ASSERT_NE(b, std::string::npos) << text;
    ASSERT_NE(a, std::string::npos) << text;
    EXPECT_LT(b, a);
    EXPECT_NE(text.find("TAG=\"nodex8\" STYLE=\"Title3 Failed\">\n<TEXT>Stub b3</TEXT>"), std::string::npos);
    EXPECT_NE(text.find("TAG=\"nodex11\" STYLE=\"Title2 Passed\">\n<TEXT>Test Case a1</TEXT>"), std::string::npos);
    EXPECT_EQ(tag_counter, 12);
}

TEST_F(Document, SummaryCountsAndStyles)
{
    struct Case {
        const char *what;
        void (*build)();
        std::string expected;
        size_t file_sections;
    };
    const Case cases[] = {
        {"one failure among four",
         [] {
             add_driver(0, 1, "A", VERDICT_FAILED);
             add_node(0, NODE_TEST_CASE, 2, "p1", 1, VERDICT_PASSED);
             add_node(0, NODE_TEST_CASE, 3, "p2", 1, VERDICT_PASSED);
             add_node(0, NODE_STUB, 4, "f", 1, VERDICT_FAILED);
             add_driver(1, 1, "B", VERDICT_PASSED);
             add_node(1, NODE_TEST_CASE, 2, "p3", 1, VERDICT_PASSED);
         },
         summary("Array", 3, "Array Failed", 1, 4), 2},
        {"no file section", [] {}, summary("Array Passed", 0, "Array", 0, 0), 0},
        {"drivers without a verdict of their own",
         [] {
             add_driver(0, 1, "none", VERDICT_NONE);
             add_node(0, NODE_TEST_CASE, 2, "p", 1, VERDICT_PASSED);
             add_node(0, NODE_TEST_CASE, 3, "f", 1, VERDICT_FAILED);
             add_driver(1, 1, "unrun", VERDICT_NOT_EXECUTED);
             add_node(1, NODE_PROC, 2, "f", 1, VERDICT_FAILED);
         },
         summary("Array Passed", 0, "Array", 0, 0), 0},
        {"only procs, stubs and test cases count, whatever lies between",
         [] {
             add_driver(0, 1, "A", VERDICT_EXECUTED);
             add_node(0, NODE_TEST_SUITE, 2, "suite", 1, VERDICT_FAILED);
             add_node(0, NODE_TEST_CLASS, 3, "class", 2, VERDICT_FAILED);
             add_node(0, NODE_PROC, 4, "proc", 3, VERDICT_PASSED);
             add_check(0, NODE_CHECK_EXPRESSION, 5, "check", 4, VERDICT_FAILED, 1, {1, 0, 1, 0});
             add_node(0, NODE_TEST_CASE, 6, "failed", 2, VERDICT_FAILED);
             add_node(0, NODE_TEST_CASE, 7, "unrun", 2, VERDICT_NOT_EXECUTED);
             add_node(0, NODE_TEST_CASE, 8, "executed", 2, VERDICT_EXECUTED);
             add_node(0, NODE_STUB, 9, "no verdict", 6, VERDICT_NONE);
         },
         summary("Array", 1, "Array Failed", 1, 2), 1},
    };
    for (const Case &c : cases) {
        tree_init();
        c.build();
        const std::string text = written();
        EXPECT_NE(text.find(c.expected), std::string::npos) << c.what << "\n" << text;
        EXPECT_EQ(count_of(text, "type=\"Test Driver\""), c.file_sections) << c.what;
    }
}

TEST_F(Document, CountVerdictsCoversSiblingsAndDescendantsOnly)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    add_node(0, NODE_TEST_CASE, 2, "parent", 1, VERDICT_PASSED);
    TestNode *first = add_node(0, NODE_TEST_CASE, 3, "first", 2, VERDICT_FAILED);
    add_node(0, NODE_STUB, 4, "child of first", 3, VERDICT_PASSED);
    add_node(0, NODE_PROC, 5, "sibling", 2, VERDICT_PASSED);
    add_node(0, NODE_PROC, 6, "child of sibling", 5, VERDICT_FAILED);
    VerdictTotals totals = {10, 20};
    count_verdicts(first, &totals);
    EXPECT_EQ(totals.passed, 12);
    EXPECT_EQ(totals.failed, 22);

    // As deep as it gets, without recursion.
    tree_init();
    const uint32_t depth = 1000000;
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (uint32_t id = 2; id <= depth + 1; ++id)
        add_node(0, NODE_TEST_CASE, id, "c", id - 1, id % 2 ? VERDICT_FAILED : VERDICT_PASSED);
    totals = {0, 0};
    count_verdicts(file_node_at(0), &totals);
    EXPECT_EQ(totals.passed, static_cast<int32_t>(depth / 2));
    EXPECT_EQ(totals.failed, static_cast<int32_t>(depth / 2));
}

TEST_F(Document, StudioHeaderValues)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    struct Case {
        const char *header;
        const char *tag;
        const char *values[5];
    };
    const Case cases[] = {
        {"$PROJECT_NAME=Calc\n$PROJECT_PATH=D:\\work\\\n$NAME=N1\n$CONFIGURATION=Debug\n$WORKSPACE_NAME=W & co\n",
         "N1x0", {"Calc", "D:\\work\\Calc.vxp", "Debug", "W &amp; co", "N1"}},
        {"$PROJECT_NAME=Calc\n$CONFIGURATION=Debug\n", " x0", {"Calc", "", "Debug", "", ""}},
        {"$NAME=  two  spaces&\"  \n", "two  spaces&amp;&quot;x0", {"", "", "", "", "two spaces&amp;&quot;"}},
    };
    const char *labels[5] = {"Project", "Project File", "Project Configuration", "Workspace", "Test Node"};
    for (const Case &c : cases) {
        const std::string header = write_temp_file(c.header, ".hdr");
        setenv("ZEPH_STUDIO_HEADER_FILE", header.c_str(), 1);
        tag_counter = 0;
        const std::string file_path = path("r.xrd");
        const std::string text = written(file_path);
        EXPECT_NE(text.find("<DOCUMENT TITLE=\"" + file_path + "\" TAG=\"" + c.tag + "\">\n"), std::string::npos)
            << text;
        for (int i = 0; i < 5; ++i) {
            const std::string row = std::string("<CELL_TEXT STYLE=\"Array\">") + labels[i]
                                    + "</CELL_TEXT>\n<CELL_TEXT STYLE=\"Array\">" + c.values[i] + "</CELL_TEXT>\n";
            EXPECT_NE(text.find(row), std::string::npos) << c.header << " / " << labels[i];
        }
        EXPECT_EQ(project_name(), nullptr) << "released after the information table";
        unlink(header.c_str());
    }
}

TEST_F(Document, PathsAreEscapedAndConverted)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    const std::string file_path = path("a&b \"q\"  <x>\x01.xrd");
    const std::string text = written(file_path);
    const std::string directory = file_path.substr(0, file_path.rfind('/'));
    EXPECT_NE(text.find("<DOCUMENT TITLE=\"" + directory + "/a&amp;b &quot;q&quot;  &lt;x&gt;\xEF\xBF\xBD.xrd\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(">" + directory + "/a&amp;b &quot;q&quot; &lt;x&gt;\xEF\xBF\xBD.xrd</CELL_TEXT>"),
              std::string::npos);
}

TEST_F(Document, TreeTextsNeverBreakTheDocument)
{
    add_driver(0, 1, "\x01<&>\xFF\xFE", VERDICT_FAILED);
    add_node(0, NODE_TEST_CASE, 2, "\x1b[0m\x0b", 1, VERDICT_FAILED);
    TestNode *print = add_check(0, NODE_PRINT, 3, "\xED\xA0\x80 surrogate", 2, VERDICT_PASSED, 1, {1, 1, 0, 0});
    add_message(print, mem_strdup("\x0b\x0c\x02 <msg> \xEF\xBF\xBF"));
    set_file_names(0, "/a\x1f/\"b\".java");
    const std::string text = written();
    EXPECT_NE(text.find("name=\"\xEF\xBF\xBD&lt;&amp;&gt;"), std::string::npos) << text;
}

TEST_F(Document, TranslatedLabelsAreEncodedOnce)
{
    MapTranslator catalogue;
    catalogue.add("TALLYGEN global information", "Report Information", QString::fromUtf8("Informa\xC3\xA7\xC3\xB5" "es"));
    catalogue.add("TALLYGEN global information", "Total", QStringLiteral("<Total>"));
    catalogue.add("ZOLTGEN KvsType", "Test Driver", QString::fromUtf8("Pilote \xE2\x80\x94"));
    catalogue.add("ZEPHIdent", PRODUCT_TITLE, QStringLiteral("G\u00e9n\u00e9rateur"));
    add_driver(0, 1, "T", VERDICT_PASSED);
    const std::string text = written();
    EXPECT_NE(text.find("<TEXT>Informa\xC3\xA7\xC3\xB5" "es</TEXT>"), std::string::npos) << text;
    EXPECT_NE(text.find(">&lt;Total&gt;</CELL_TEXT>"), std::string::npos);
    EXPECT_NE(text.find("type=\"Pilote \xE2\x80\x94\""), std::string::npos);
    EXPECT_NE(text.find("<TEXT>Pilote \xE2\x80\x94 T</TEXT>"), std::string::npos);
    EXPECT_NE(text.find(std::string(PRODUCT_NAME) + " G\xC3\xA9n\xC3\xA9rateur</CELL_TEXT>"), std::string::npos);
}

TEST_F(Document, FailuresToOpenOrToWrite)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    tag_counter = 7;
    const std::string missing = path("missing/r.xrd");
    EXPECT_EQ(write_results_file(missing.c_str()), WRITE_OPEN_FAILED);
    EXPECT_EQ(write_results_file(path("").c_str()), WRITE_OPEN_FAILED) << "a directory";
    EXPECT_EQ(write_results_file(nullptr), WRITE_OPEN_FAILED);
    EXPECT_EQ(tag_counter, 7) << "no tag number taken";
    struct stat info;
    EXPECT_NE(stat(missing.c_str(), &info), 0);

    EXPECT_EQ(write_results_file("/dev/full"), WRITE_STREAM_FAILED);
}

TEST(DocumentChecker, RejectsMarkupThatIsNotWellFormed)
{
    EXPECT_EQ(xml_error("<a>x</a>", false), "");
    EXPECT_NE(xml_error("<a>\x01</a>", false), "");
    EXPECT_NE(xml_error("<a>&</a>", false), "");
    EXPECT_NE(xml_error("<a b=\"<\"/>", false), "");
    EXPECT_NE(xml_error("<a>\xFF</a>", false), "");
    EXPECT_NE(xml_error("<a>", true), "");
}

}  // namespace
