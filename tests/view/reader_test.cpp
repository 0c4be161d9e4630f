// Reading results files: the golden files of the tallyrpt end-to-end cases
// (what tallyrpt really writes), the hand-made mixed.xrd, the inputs that
// must be refused with a reason, and a tree nested a million levels deep.
#include "view_fixtures.h"

#include <QJsonArray>

namespace {

struct golden_case {
    const char *name;
    long long passed, failed, total;
    size_t drivers, scopes;
};

TEST(ViewReader, GoldenFilesGiveTheirSummaryAndTree)
{
    const golden_case cases[] = {
        {"document_three_passed_cases", 3, 0, 3, 1, 4},
        {"numbering_two_files", 3, 0, 3, 2, 7},
        {"summary_with_failed_stub", 3, 1, 4, 2, 6},
        {"control_characters_in_texts", 1, 0, 1, 1, 2},
        {"results_path_with_ampersand", 3, 0, 3, 1, 4},
        {"translated_report", 3, 0, 3, 1, 4},
    };
    for (const golden_case &c : cases) {
        SCOPED_TRACE(c.name);
        const view_results results = read_or_fail(golden_results(c.name));
        EXPECT_EQ(results.passed.count, c.passed);
        EXPECT_EQ(results.failed.count, c.failed);
        EXPECT_EQ(results.total.count, c.total);
        EXPECT_EQ(results.scopes.size(), c.scopes);
        size_t drivers = 0;
        for (const view_scope &scope : results.scopes)
            drivers += scope.kind == scope_kind::driver ? 1 : 0;
        EXPECT_EQ(drivers, c.drivers);
        EXPECT_EQ(results.identification.size(), 2);
        EXPECT_EQ(results.info.size(), 7u);  // the summary rows are not information rows
    }
}

TEST(ViewReader, KeepsTheLabelsOfATranslatedReport)
{
    const view_results results = read_or_fail(golden_results("translated_report"));
    EXPECT_EQ(results.info_title, QStringLiteral("Informations du rapport"));
    EXPECT_EQ(results.passed.label, QStringLiteral("Réussis"));
    EXPECT_EQ(results.passed.verdict, row_verdict::passed);
    EXPECT_EQ(results.scopes[0].type_name, QStringLiteral("Pilote de test"));
    EXPECT_EQ(results.scopes[1].title, QStringLiteral("Cas de test one"));
    ASSERT_GE(results.scopes[1].header, 0);
    EXPECT_EQ(results.headers[static_cast<size_t>(results.scopes[1].header)].at(0),
              QStringLiteral("Expression vérifiée"));
    ASSERT_EQ(results.scopes[1].rows.size(), 1u);
    EXPECT_EQ(results.scopes[1].rows[0].cells.at(0), QStringLiteral("Réussi"));
}

TEST(ViewReader, StubTablesAndFailedRows)
{
    const view_results results = read_or_fail(golden_results("summary_with_failed_stub"));
    const view_scope &stub = results.scopes.back();
    EXPECT_EQ(stub.name, QStringLiteral("S"));
    EXPECT_EQ(stub.kind, scope_kind::counted);
    EXPECT_EQ(stub.state, scope_state::failed);
    EXPECT_EQ(results.headers[static_cast<size_t>(stub.header)].at(2), QStringLiteral("entermethod()"));
    ASSERT_EQ(stub.rows.size(), 1u);
    const view_row &row = stub.rows[0];
    EXPECT_EQ(row.verdict, row_verdict::failed);
    EXPECT_EQ(row.text, QStringLiteral("stubbed call"));
    EXPECT_EQ(row.source.path, QStringLiteral("a.tsf"));
    EXPECT_EQ(row.source.line, 3);
    EXPECT_EQ(row.cells, (QStringList{"Failed", "1", "2", "0"}));
    // Two header rows, one check and one stub, are stored once each.
    EXPECT_EQ(results.headers.size(), 2u);
}

TEST(ViewReader, ScopesPrintsAndMessagesOfMixedFile)
{
    const view_results results = read_or_fail(view_data("mixed.xrd"));
    struct expected_scope {
        const char *name;
        scope_kind kind;
        scope_state state;
        int parent;
    } const expected[] = {
        {"A", scope_kind::driver, scope_state::failed, -1},
        {"S1", scope_kind::group, scope_state::failed, 0},
        {"c1", scope_kind::counted, scope_state::passed, 1},
        {"c2", scope_kind::counted, scope_state::failed, 1},
        {"st1", scope_kind::counted, scope_state::failed, 3},
        {"c3", scope_kind::counted, scope_state::not_executed, 1},
        {"K", scope_kind::group, scope_state::passed, 0},
        {"c4", scope_kind::counted, scope_state::passed, 6},
        {"B", scope_kind::driver, scope_state::passed, -1},
        {"", scope_kind::counted, scope_state::passed, 8},
    };
    ASSERT_EQ(results.scopes.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results.scopes[i].name, QString::fromUtf8(expected[i].name));
        EXPECT_EQ(results.scopes[i].kind, expected[i].kind);
        EXPECT_EQ(results.scopes[i].state, expected[i].state);
        EXPECT_EQ(results.scopes[i].parent, expected[i].parent);
    }
    EXPECT_EQ(results.scopes[4].driver, 0);
    EXPECT_EQ(results.scopes[9].driver, 8);

    // c1: a check, then a Print with its two messages; the empty check
    // table after the Print adds nothing.
    const view_scope &c1 = results.scopes[2];
    ASSERT_EQ(c1.rows.size(), 2u);
    EXPECT_EQ(c1.rows[0].text, QStringLiteral("a <img src=x onerror=\"window.__pwned=1\"> b"));
    const view_row &print = c1.rows[1];
    EXPECT_EQ(print.kind, row_kind::print);
    EXPECT_EQ(print.cells, QStringList{"(x2)"});
    EXPECT_EQ(print.messages, (QStringList{"first &amp; message", "second message"}));
    EXPECT_EQ(print.source.path, QStringLiteral("src/MixedTest.java"));

    // A link target with no path keeps its line.
    EXPECT_TRUE(results.scopes[4].rows[0].source.path.isEmpty());
    EXPECT_EQ(results.scopes[4].rows[0].source.line, 30);
    EXPECT_EQ(results.info[0].value, QStringLiteral("Billing & Co"));
}

TEST(ViewReader, RefusesWhatIsNotAResultsFile)
{
    const QByteArray head = "<?xml version=\"1.0\"?>\n<XROD><APIDOC><DOCUMENT TITLE=\"r\">"
                            "<SECTION TAG=\"filex1\"><TABLE BORDER=\"1\">";
    const QByteArray summary = "<ROW><CELL_TEXT>Passed</CELL_TEXT><CELL_TEXT>1</CELL_TEXT></ROW>"
                               "<ROW><CELL_TEXT>Failed</CELL_TEXT><CELL_TEXT>0</CELL_TEXT></ROW>"
                               "<ROW><CELL_TEXT>Total</CELL_TEXT><CELL_TEXT>1</CELL_TEXT></ROW>";
    const QByteArray tail = "</TABLE></SECTION></DOCUMENT></APIDOC></XROD>\n";
    const struct {
        const char *what;
        QByteArray text;
        const char *reason;  // empty: accepted
    } cases[] = {
        {"complete", head + summary + tail, ""},
        {"empty file", "", "not well-formed"},
        {"text only", "hello", "not well-formed"},
        {"truncated", head + summary, "not well-formed"},
        {"mismatched tags", head + summary + "</SECTION></XROD>", "not well-formed"},
        {"other root", "<html><body/></html>", "root element is <html>"},
        {"no document", "<XROD><APIDOC/></XROD>", "no DOCUMENT"},
        {"no summary", head + tail, "no summary"},
        {"summary not numbers", head + QByteArray(summary).replace(">1<", ">one<") + tail, "no summary"},
        {"undeclared prefix", head + summary + "</TABLE></SECTION><XROD:NODE name=\"d\" state=\"ok\"/>"
                                  "</DOCUMENT></APIDOC></XROD>", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        int status = 0;
        read_text(c.text, &error, &status);
        if (*c.reason == '\0') {
            EXPECT_EQ(status, 0) << error.toStdString();
        } else {
            EXPECT_EQ(status, -1);
            EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
            EXPECT_FALSE(error.contains(QLatin1Char('\n')));
        }
    }
}

// A million nested scopes: the reader and both writers walk them with
// explicit stacks, so this finishes instead of overflowing the call stack.
TEST(ViewReader, MillionDeepNestingReadsAndWrites)
{
    const int depth = 1000000;
    QByteArray text = "<XROD><APIDOC><DOCUMENT TITLE=\"deep\"><SECTION><TABLE>"
                      "<ROW><CELL_TEXT>P</CELL_TEXT><CELL_TEXT>1</CELL_TEXT></ROW>"
                      "<ROW><CELL_TEXT>F</CELL_TEXT><CELL_TEXT>0</CELL_TEXT></ROW>"
                      "<ROW><CELL_TEXT>T</CELL_TEXT><CELL_TEXT>1</CELL_TEXT></ROW></TABLE></SECTION>";
    const QByteArray open = "<XROD:NODE name=\"n\" state=\"ok\">";
    const QByteArray close = "</XROD:NODE>";
    text.reserve(text.size() + depth * (open.size() + close.size()) + 64);
    for (int i = 0; i < depth - 1; ++i)
        text += open;
    text += "<XROD:NODE name=\"leaf\" state=\"ok\" sum=\"1\">";
    for (int i = 0; i < depth; ++i)
        text += close;
    text += "</DOCUMENT></APIDOC></XROD>";

    int status = -1;
    QString error;
    const view_results results = read_text(text, &error, &status);
    ASSERT_EQ(status, 0) << error.toStdString();
    ASSERT_EQ(results.scopes.size(), static_cast<size_t>(depth));
    EXPECT_EQ(results.scopes.back().parent, depth - 2);
    EXPECT_EQ(results.scopes.back().driver, 0);
    EXPECT_EQ(results.scopes.back().kind, scope_kind::counted);

    const QByteArray html = html_of(results);
    EXPECT_EQ(page_block(html, "tree-scopes").value(QLatin1String("parent")).toArray().size(), depth);
    EXPECT_TRUE(html.endsWith("</html>\n"));
    const QByteArray junit = junit_of(results);
    EXPECT_EQ(junit.count("<testcase "), 1);
    EXPECT_TRUE(junit.contains("classname=\"n.n\""));
}

}  // namespace
