// The JUnit export, read back with QXmlStreamReader: which suites exist and
// what they count, the classname of each case, what a failure names, and
// that not-executed cases are skipped. Schema validation and real JUnit
// consumers are the end-to-end and browser tests' part.
#include "view_fixtures.h"

#include <QXmlStreamReader>
#include <map>

namespace {

struct junit_case {
    QString classname;
    QString outcome;  // "", "failure" or "skipped"
    QString message;
    QString text;
    QString output;   // its own system-out
};

struct junit_suite {
    QXmlStreamAttributes attributes;
    std::map<QString, junit_case> cases;
    QString system_out;
    QStringList properties;
};

std::vector<junit_suite> parse_junit(const QByteArray &xml_text)
{
    std::vector<junit_suite> suites;
    QXmlStreamReader xml(xml_text);
    QString current_case;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("testcase"))
            current_case.clear();
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == QLatin1String("testsuite")) {
            suites.push_back({xml.attributes(), {}, {}, {}});
        } else if (name == QLatin1String("testcase")) {
            current_case = xml.attributes().value(QLatin1String("name")).toString();
            suites.back().cases[current_case].classname = xml.attributes().value(QLatin1String("classname")).toString();
        } else if (name == QLatin1String("failure") || name == QLatin1String("skipped")) {
            junit_case &c = suites.back().cases[current_case];
            c.outcome = name.toString();
            c.message = xml.attributes().value(QLatin1String("message")).toString();
            c.text = xml.readElementText();
        } else if (name == QLatin1String("property")) {
            suites.back().properties.append(xml.attributes().value(QLatin1String("name")).toString());
        } else if (name == QLatin1String("system-out")) {
            (current_case.isEmpty() ? suites.back().system_out : suites.back().cases[current_case].output) =
                xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return suites;
}

QString attribute(const junit_suite &suite, const char *name)
{
    return suite.attributes.value(QLatin1String(name)).toString();
}

TEST(ViewJunit, SuitesAndCountsOfMixedFile)
{
    const std::vector<junit_suite> suites = parse_junit(junit_of(read_or_fail(view_data("mixed.xrd"))));
    // Driver A holds no case of its own and has groups that do: no suite.
    const struct {
        const char *name, *package, *tests, *failures, *skipped;
    } expected[] = {
        {"A.S1", "A", "4", "2", "1"},
        {"A.K", "A", "1", "0", "0"},
        {"B", "B", "1", "0", "0"},
    };
    ASSERT_EQ(suites.size(), std::size(expected));
    for (size_t i = 0; i < suites.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(attribute(suites[i], "name"), QString::fromUtf8(expected[i].name));
        EXPECT_EQ(attribute(suites[i], "package"), QString::fromUtf8(expected[i].package));
        EXPECT_EQ(attribute(suites[i], "id"), QString::number(i));
        EXPECT_EQ(attribute(suites[i], "tests"), QString::fromUtf8(expected[i].tests));
        EXPECT_EQ(attribute(suites[i], "failures"), QString::fromUtf8(expected[i].failures));
        EXPECT_EQ(attribute(suites[i], "skipped"), QString::fromUtf8(expected[i].skipped));
        EXPECT_EQ(attribute(suites[i], "errors"), QStringLiteral("0"));
        EXPECT_EQ(attribute(suites[i], "timestamp"), QStringLiteral("2026-12-06T01:50:02"));
        EXPECT_EQ(static_cast<size_t>(attribute(suites[i], "tests").toInt()), suites[i].cases.size());
        // The information rows that have a value; the empty workspace is left out.
        EXPECT_EQ(suites[i].properties, (QStringList{"Projet", "Nœud de test", "Heure de génération"}));
    }
    // An unnamed case takes its type name.
    EXPECT_EQ(suites[2].cases.count(QStringLiteral("Cas de test")), 1u);
}

TEST(ViewJunit, CasesFailuresAndSkips)
{
    const std::vector<junit_suite> suites = parse_junit(junit_of(read_or_fail(view_data("mixed.xrd"))));
    ASSERT_FALSE(suites.empty());
    const auto &cases = suites[0].cases;
    const struct {
        const char *name, *classname, *outcome, *message, *text;
    } expected[] = {
        {"c1", "A.S1", "", "", ""},
        {"c2", "A.S1", "failure", "/work space/src/MixedTest.java:20: total() == 42",
         "/work space/src/MixedTest.java:20: total() == 42 [Échoué; Exécutés 3, Échecs 2, Succès 1]\n"
         "/work space/src/MixedTest.java:22: verifyLogMessage(total()) (x1)\n    expected:<42> but was:<41>\n"},
        // A Stub inside a Test Case: its case's name completes the classname.
        {"st1", "A.S1.c2", "failure", "stubbed call", "stubbed call [Échoué; entermethod() 1, fail() 2, exitmethod() 0]\n"},
        {"c3", "A.S1", "skipped", "not executed", ""},
    };
    ASSERT_EQ(cases.size(), std::size(expected));
    for (const auto &e : expected) {
        SCOPED_TRACE(e.name);
        const auto found = cases.find(QString::fromUtf8(e.name));
        ASSERT_NE(found, cases.end());
        EXPECT_EQ(found->second.classname, QString::fromUtf8(e.classname));
        EXPECT_EQ(found->second.outcome, QString::fromUtf8(e.outcome));
        EXPECT_EQ(found->second.message, QString::fromUtf8(e.message));
        EXPECT_EQ(found->second.text, QString::fromUtf8(e.text));
    }
    // The suite's own failed check goes to system-out; the Prints of a passed
    // case only when asked for, there or in the case's own system-out.
    const QString setup = QStringLiteral("C:\\src\\Setup.java:3: setUp() == ready [Échoué; Exécutés 1, Échecs 1, Succès 0]\n");
    const QString print = QStringLiteral("src/MixedTest.java:11: verifyLogMessage(\"</script><script>window.__pwned=2"
                                         "</script>\") (x2)\n    first &amp; message\n    second message\n");
    EXPECT_EQ(suites[0].system_out, setup);
    const view_results mixed = read_or_fail(view_data("mixed.xrd"));
    EXPECT_EQ(parse_junit(junit_of(mixed, {false, true}))[0].system_out, setup + QStringLiteral("c1: ") + print);
    const std::vector<junit_suite> per_case = parse_junit(junit_of(mixed, {true, true}));
    EXPECT_EQ(per_case[0].system_out, setup);
    EXPECT_EQ(per_case[0].cases.at(QStringLiteral("c1")).output, print);
}

TEST(ViewJunit, FailureBelowACaseIsNamed)
{
    // A case that failed only through a Stub inside it names that Stub.
    QByteArray text = "<XROD><APIDOC><DOCUMENT><SECTION><TABLE>"
                      "<ROW><CELL_TEXT>P</CELL_TEXT><CELL_TEXT>0</CELL_TEXT></ROW>"
                      "<ROW><CELL_TEXT>F</CELL_TEXT><CELL_TEXT>2</CELL_TEXT></ROW>"
                      "<ROW><CELL_TEXT>T</CELL_TEXT><CELL_TEXT>2</CELL_TEXT></ROW></TABLE></SECTION>"
                      "<XROD:NODE name=\"D\" state=\"ko\">"
                      "<XROD:NODE name=\"tc\" state=\"ko\" sum=\"1\"><TITLE><TEXT>Test Case tc</TEXT></TITLE>"
                      "<XROD:NODE name=\"sb\" state=\"ko\" sum=\"1\"><TITLE><TEXT>Stub sb</TEXT></TITLE>"
                      "</XROD:NODE></XROD:NODE></XROD:NODE></DOCUMENT></APIDOC></XROD>";
    int status = -1;
    const view_results results = read_text(text, nullptr, &status);
    ASSERT_EQ(status, 0);
    const std::vector<junit_suite> suites = parse_junit(junit_of(results));
    ASSERT_EQ(suites.size(), 1u);
    EXPECT_EQ(attribute(suites[0], "name"), QStringLiteral("D"));
    EXPECT_EQ(suites[0].cases.at(QStringLiteral("tc")).message, QStringLiteral("Stub sb"));
    EXPECT_EQ(suites[0].cases.at(QStringLiteral("sb")).message, QStringLiteral("Stub sb"));
    EXPECT_EQ(suites[0].cases.at(QStringLiteral("sb")).classname, QStringLiteral("D.tc"));
}

TEST(ViewJunit, ADriverWithoutCasesStillShows)
{
    view_results results;
    view_scope driver;
    driver.name = QStringLiteral("Empty");
    driver.kind = scope_kind::driver;
    driver.driver = 0;
    results.scopes.push_back(driver);
    const std::vector<junit_suite> suites = parse_junit(junit_of(results));
    ASSERT_EQ(suites.size(), 1u);
    EXPECT_EQ(attribute(suites[0], "tests"), QStringLiteral("0"));
    // No generation time in the file: a fixed valid timestamp.
    EXPECT_EQ(attribute(suites[0], "timestamp"), QStringLiteral("1970-01-01T00:00:00"));
}

}  // namespace
