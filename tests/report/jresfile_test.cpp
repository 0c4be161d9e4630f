// The results document, where the end-to-end cases leave room: which scopes
// the summary counts, counting down a deep tree, the document title taken
// without simplification, translated labels escaped once, the time text, and
// the two failure results. Every document written here must be well-formed.
#include "project/header.h"
#include "report/emitter.h"
#include "report/jresfile.h"
#include "report/report_fixtures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
        rmdir(directory_.c_str());
    }

    std::string path(const std::string &name) const { return directory_ + "/" + name; }

    // Writes the document and returns its text, checked well-formed.
    std::string written(const std::string &name = "r.xrd")
    {
        EXPECT_EQ(write_results_file(path(name).c_str()), WRITE_OK);
        std::ifstream in(path(name), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(xml_error(text, false), "") << text;
        unlink(path(name).c_str());
        return text;
    }

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

// Only procs, stubs and test cases count, and only in sections that are
// written: sections without a verdict of their own are neither.
TEST_F(Document, SummaryCountsAndStyles)
{
    add_driver(0, 1, "none", VERDICT_NONE);
    add_node(0, NODE_TEST_CASE, 2, "p", 1, VERDICT_PASSED);
    add_driver(1, 1, "unrun", VERDICT_NOT_EXECUTED);
    add_node(1, NODE_PROC, 2, "f", 1, VERDICT_FAILED);
    std::string text = written();
    EXPECT_NE(text.find(summary("Array Passed", 0, "Array", 0, 0)), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "type=\"Test Driver\""), 0u);

    add_driver(2, 1, "A", VERDICT_EXECUTED);
    add_node(2, NODE_TEST_SUITE, 2, "suite", 1, VERDICT_FAILED);
    add_node(2, NODE_TEST_CLASS, 3, "class", 2, VERDICT_FAILED);
    add_node(2, NODE_PROC, 4, "proc", 3, VERDICT_PASSED);
    add_node(2, NODE_CHECK_EXPRESSION, 5, "check", 4, VERDICT_FAILED, 1, {1, 0, 1, 0});
    add_node(2, NODE_TEST_CASE, 6, "failed", 2, VERDICT_FAILED);
    add_node(2, NODE_TEST_CASE, 7, "unrun", 2, VERDICT_NOT_EXECUTED);
    add_node(2, NODE_TEST_CASE, 8, "executed", 2, VERDICT_EXECUTED);
    add_node(2, NODE_STUB, 9, "no verdict", 6, VERDICT_NONE);
    text = written();
    EXPECT_NE(text.find(summary("Array", 1, "Array Failed", 1, 2)), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "type=\"Test Driver\""), 1u);
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

    // A million deep, without recursion.
    tree_init();
    add_driver(0, 1, "T", VERDICT_PASSED);
    for (uint32_t id = 2; id <= 1000001; ++id)
        add_node(0, NODE_TEST_CASE, id, "c", id - 1, id % 2 ? VERDICT_FAILED : VERDICT_PASSED);
    totals = {0, 0};
    count_verdicts(file_node_at(0), &totals);
    EXPECT_EQ(totals.passed, 500000);
    EXPECT_EQ(totals.failed, 500000);
}

// The title and tag of the document keep runs of spaces; its cells do not.
// Translated labels are escaped and encoded once. The studio header is
// released once the information table is written.
TEST_F(Document, InformationTexts)
{
    MapTranslator catalogue;
    catalogue.add("TALLYGEN global information", "Report Information",
                  QString::fromUtf8("Informa\xC3\xA7\xC3\xB5" "es"));
    catalogue.add("TALLYGEN global information", "Total", QStringLiteral("<Total>"));
    catalogue.add("ZOLTGEN KvsType", "Test Driver", QStringLiteral("Pilote & co"));
    add_driver(0, 1, "T", VERDICT_PASSED);
    const std::string header = write_temp_file("$NAME=  two  spaces&\"  \n", ".hdr");
    setenv("ZEPH_STUDIO_HEADER_FILE", header.c_str(), 1);
    const std::string text = written("a&b  <x>\x01.xrd");
    const std::string escaped = path("a&amp;b  &lt;x&gt;\xEF\xBF\xBD.xrd");
    EXPECT_NE(text.find("<DOCUMENT TITLE=\"" + escaped + "\" TAG=\"two  spaces&amp;&quot;x0\">\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(">" + path("a&amp;b &lt;x&gt;\xEF\xBF\xBD.xrd") + "</CELL_TEXT>"), std::string::npos);
    EXPECT_NE(text.find(">two spaces&amp;&quot;</CELL_TEXT>"), std::string::npos);
    EXPECT_EQ(project_name(), nullptr);
    EXPECT_NE(text.find("<TEXT>Informa\xC3\xA7\xC3\xB5" "es</TEXT>"), std::string::npos);
    EXPECT_NE(text.find(">&lt;Total&gt;</CELL_TEXT>"), std::string::npos);
    EXPECT_NE(text.find("type=\"Pilote &amp; co\""), std::string::npos);
    unlink(header.c_str());
}

TEST_F(Document, FailuresToOpenOrToWrite)
{
    add_driver(0, 1, "T", VERDICT_PASSED);
    tag_counter = 7;
    for (const std::string &unopenable : {path("missing/r.xrd"), path("")})
        EXPECT_EQ(write_results_file(unopenable.c_str()), WRITE_OPEN_FAILED) << unopenable;
    EXPECT_EQ(write_results_file(nullptr), WRITE_OPEN_FAILED);
    EXPECT_EQ(tag_counter, 7) << "no tag number taken";
    struct stat info;
    EXPECT_NE(stat(path("missing/r.xrd").c_str(), &info), 0);
    EXPECT_EQ(write_results_file("/dev/full"), WRITE_STREAM_FAILED);
}

}  // namespace
