// The markup emitter: escaping and white space, UTF-8 output, characters XML
// cannot carry, and the exact bytes of every element kind.
#include "report/emitter.h"
#include "report/map_translator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

const std::string FFFD = "\xEF\xBF\xBD";

std::string escaped(const char *text)
{
    return capture_output([&](FILE *out) { write_escaped(out, text); });
}

std::string escaped(const QString &text)
{
    return capture_output([&](FILE *out) { write_escaped_string(out, text); });
}

struct EscapeCase {
    const char *input;
    std::string expected;
};

TEST(Emitter, EscapesLocalText)
{
    const EscapeCase cases[] = {
        {"  a\t\tb \n", "a b"},
        {"x<y && \"z\">w", "x&lt;y &amp;&amp; &quot;z&quot;&gt;w"},
        {"&lt;", "&amp;lt;"},
        {"&amp;&quot;", "&amp;amp;&amp;quot;"},
        {"it's", "it's"},
        {"", ""},
        {" \t\r\n\v\f ", ""},
        {"line one\r\nline two", "line one line two"},
        {"/a  b/c d.java", "/a b/c d.java"},
        // UTF-8 passes once, not twice.
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!"},
        // Unicode white space simplifies like ASCII white space.
        {"a\xC2\xA0\xC2\xA0" "b", "a b"},
        {"a\xC2\x85" "b", "a b"},
        {"\xE2\x80\xA8x\xE3\x80\x80", "x"},
        {"a\xE2\x80\x83 b", "a b"},
        // U+200B is not white space.
        {"a\xE2\x80\x8B" "b", "a\xE2\x80\x8B" "b"},
        // Characters XML 1.0 cannot carry.
        {"\x01" "a\x1F" "b", FFFD + "a" + FFFD + "b"},
        {"a\x1C\x1D" "b", "a" + FFFD + FFFD + "b"},
        {"\xEF\xBF\xBE\xEF\xBF\xBF", FFFD + FFFD},
        {"\x7F", "\x7F"},
        // Invalid UTF-8 becomes U+FFFD.
        {"a\xFF" "b", "a" + FFFD + "b"},
        {"\xC3", FFFD},
    };
    for (const EscapeCase &c : cases)
        EXPECT_EQ(escaped(c.input), c.expected) << "input: " << c.input;
    EXPECT_EQ(escaped(static_cast<const char *>(nullptr)), "");
}

TEST(Emitter, EscapesUnicodeText)
{
    const auto units = [](std::initializer_list<char16_t> list) {
        QString text;
        for (char16_t unit : list)
            text.append(QChar(unit));
        return text;
    };
    EXPECT_EQ(escaped(units({0x00e9, 't'})), "\xC3\xA9t");
    EXPECT_EQ(escaped(QStringLiteral("\t<a>\n")), "&lt;a&gt;");
    EXPECT_EQ(escaped(QString()), "");
    // Unpaired or reversed surrogates, controls and the two non-characters.
    EXPECT_EQ(escaped(units({'a', 0xd800, 'b'})), "a" + FFFD + "b");
    EXPECT_EQ(escaped(units({0xdc00, 0xd800})), FFFD + FFFD);
    EXPECT_EQ(escaped(units({0x0001, 0xffff, 0xfffe})), FFFD + FFFD + FFFD);
    EXPECT_EQ(escaped(units({0xd83d, 0xde00})), "\xF0\x9F\x98\x80");
}

TEST(Emitter, EscapedUtf8WithoutSimplification)
{
    EXPECT_EQ(escaped_utf8(QStringLiteral(" a\tb \n"), false), QByteArray(" a\tb \n"));
    EXPECT_EQ(escaped_utf8(QStringLiteral("a&\"<>"), false), QByteArray("a&amp;&quot;&lt;&gt;"));
    EXPECT_EQ(escaped_utf8(QStringLiteral("\v\f"), false).toStdString(), FFFD + FFFD);
    EXPECT_EQ(escaped_utf8(QStringLiteral(" "), false), QByteArray(" "));
    EXPECT_EQ(escaped_utf8(QStringLiteral("  a  "), true), QByteArray("a"));
}

TEST(Emitter, TagsAndElements)
{
    EXPECT_EQ(capture_output([](FILE *out) { write_tag(out, "TABLE BORDER=\"1\" WIDTH=\"55,45\"", false); }),
              "<TABLE BORDER=\"1\" WIDTH=\"55,45\">\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_tag(out, "TABLE", true); }), "</TABLE>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_element(out, "TEXT", QStringLiteral(" a  b ")); }),
              "<TEXT>a b</TEXT>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_element(out, "TEXT", QString()); }),
              "<TEXT></TEXT>\n");
}

TEST(Emitter, TitleLevelsAndVerdicts)
{
    struct Case {
        int level, verdict, number;
        const char *first_line;
    };
    const Case cases[] = {
        {0, 1, 0, "<TITLE LEVEL=\"0\" TAG=\"nodex0\" STYLE=\"Title1\">\n"},
        {3, 3, 7, "<TITLE LEVEL=\"3\" TAG=\"nodex7\" STYLE=\"Title4 Passed\">\n"},
        {4, 1, 8, "<TITLE LEVEL=\"4\" TAG=\"nodex8\" STYLE=\"Title5\">\n"},
        {6, 2, 12, "<TITLE LEVEL=\"6\" TAG=\"nodex12\" STYLE=\"Title5 Failed\">\n"},
        {6, 0, 12, "<TITLE LEVEL=\"6\" TAG=\"nodex12\" STYLE=\"Title5\">\n"},
        {1, 4, 100, "<TITLE LEVEL=\"1\" TAG=\"nodex100\" STYLE=\"Title2\">\n"},
        {1, -1, 3, "<TITLE LEVEL=\"1\" TAG=\"nodex3\" STYLE=\"Title2\">\n"},
        {2147483647, 3, 1, "<TITLE LEVEL=\"2147483647\" TAG=\"nodex1\" STYLE=\"Title5 Passed\">\n"},
    };
    for (const Case &c : cases) {
        const std::string written = capture_output([&](FILE *out) {
            write_title(out, QStringLiteral("Report Information"), c.level, c.verdict, c.number);
        });
        EXPECT_EQ(written, std::string(c.first_line) + "<TEXT>Report Information</TEXT>\n</TITLE>\n")
            << "level " << c.level << " verdict " << c.verdict;
    }
}

TEST(Emitter, JoinedTitleSimplifiesAcrossTheJoin)
{
    const auto title = [](const QString &head, const char *tail) {
        std::string out;
        append_title(out, head, tail, 1, 1, 0);
        return out.substr(out.find("<TEXT>"));
    };
    EXPECT_EQ(title(QStringLiteral("Test Case"), "testAdd"), "<TEXT>Test Case testAdd</TEXT>\n</TITLE>\n");
    EXPECT_EQ(title(QStringLiteral("Test Case"), ""), "<TEXT>Test Case</TEXT>\n</TITLE>\n");
    EXPECT_EQ(title(QStringLiteral("Test Case "), "  x "), "<TEXT>Test Case x</TEXT>\n</TITLE>\n");
    EXPECT_EQ(title(QString::fromUtf8("Cas de test\xC2\xA0"), " \xC3\xA9t\xC3\xA9"),
              "<TEXT>Cas de test \xC3\xA9t\xC3\xA9</TEXT>\n</TITLE>\n");
    EXPECT_EQ(title(QStringLiteral("Stub"), "a<b"), "<TEXT>Stub a&lt;b</TEXT>\n</TITLE>\n");
}

TEST(Emitter, CellStyles)
{
    const std::pair<int, const char *> cases[] = {
        {0, "<CELL_TEXT STYLE=\"Array Title\">"}, {1, "<CELL_TEXT STYLE=\"Array\">"},
        {2, "<CELL_TEXT STYLE=\"Array Failed\">"}, {3, "<CELL_TEXT STYLE=\"Array Passed\">"},
        {7, "<CELL_TEXT STYLE=\"Array Failed\">"}, {-1, "<CELL_TEXT STYLE=\"Array Failed\">"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(capture_output([&](FILE *out) { write_cell_text(out, " x&y ", c.first); }),
                  std::string(c.second) + "x&amp;y</CELL_TEXT>\n");
        EXPECT_EQ(capture_output([&](FILE *out) { write_cell_text(out, QStringLiteral("x"), c.first); }),
                  std::string(c.second) + "x</CELL_TEXT>\n");
    }
    EXPECT_EQ(capture_output([](FILE *out) { write_cell_text(out, "Sun Dec  6 01:50:02 2026", 1); }),
              "<CELL_TEXT STYLE=\"Array\">Sun Dec 6 01:50:02 2026</CELL_TEXT>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_cell_text(out, " ", 1); }),
              "<CELL_TEXT STYLE=\"Array\"></CELL_TEXT>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_cell_text(out, static_cast<const char *>(nullptr), 1); }),
              "<CELL_TEXT STYLE=\"Array\"></CELL_TEXT>\n");
}

TEST(Emitter, LinkCells)
{
    EXPECT_EQ(capture_output([](FILE *out) { write_link_cell(out, "a == b", 3, "/src/T.java", 42); }),
              "<CELL STYLE=\"Array Passed\"><LINK TARGET=\"/src/T.java line 42\">\n"
              "<TEXT>a == b</TEXT>\n</LINK>\n</CELL>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_link_cell(out, nullptr, 0, nullptr, -3); }),
              "<CELL STYLE=\"Array Title\"><LINK TARGET=\" line -3\">\n<TEXT></TEXT>\n</LINK>\n</CELL>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_link_cell(out, "x\n&\ny", 9, " /my  dir/\"q\".java ", 1); }),
              "<CELL STYLE=\"Array Failed\"><LINK TARGET=\"/my dir/&quot;q&quot;.java line 1\">\n"
              "<TEXT>x &amp; y</TEXT>\n</LINK>\n</CELL>\n");
}

TEST(Emitter, TreeNodeStartTags)
{
    struct Case {
        int sum, icon;
        const char *tail;
    };
    const Case cases[] = {
        {0, 5, ">"},
        {1, 0, " sum=\"1\" icone=\"method.xpm\">"},
        {0, 1, " icone=\"class.xpm\">"},
        {-2, 2, " icone=\"testscript.xpm\">"},
        {12, -1, " sum=\"12\">"},
    };
    for (const Case &c : cases) {
        const std::string written = capture_output([&](FILE *out) {
            write_tree_node(out, QStringLiteral("n"), QStringLiteral("Test Case"), "ok", c.sum, c.icon);
        });
        EXPECT_EQ(written, std::string("<XROD:NODE name=\"n\" type=\"Test Case\" state=\"ok\"") + c.tail);
    }
    EXPECT_EQ(capture_output([](FILE *out) {
                  write_tree_node(out, QStringLiteral(" \"a\" & <b> "), QString(), "ko", 0, 9);
              }),
              "<XROD:NODE name=\"&quot;a&quot; &amp; &lt;b&gt;\" type=\"\" state=\"ko\">");
}

TEST(Emitter, HeaderRows)
{
    EXPECT_EQ(capture_output([](FILE *out) { write_check_header_row(out, 0); }),
              "<ROW>\n"
              "<CELL_TEXT STYLE=\"Array Title\">Expression</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Title\">Status</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Title\">Executed</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Title\">Failed</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array Title\">Passed</CELL_TEXT>\n"
              "</ROW>\n");
    EXPECT_EQ(capture_output([](FILE *out) { write_stub_header_row(out, 1); }),
              "<ROW>\n"
              "<CELL_TEXT STYLE=\"Array\">Expression</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">Status</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">entermethod()</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">fail()</CELL_TEXT>\n"
              "<CELL_TEXT STYLE=\"Array\">exitmethod()</CELL_TEXT>\n"
              "</ROW>\n");
}

TEST(Emitter, HeaderRowsUseTheirOwnContextsAndEncodeTranslationsOnce)
{
    MapTranslator catalogue;
    catalogue.add("ZOLTGEN Cell text", "Status", QString::fromUtf8("\xC3\x89tat"));
    catalogue.add("TALLYGEN Stub row title", "fail()", QStringLiteral("<fail>"));
    const std::string check = capture_output([](FILE *out) { write_check_header_row(out, 0); });
    EXPECT_NE(check.find(">\xC3\x89tat</CELL_TEXT>"), std::string::npos) << check;
    EXPECT_EQ(check.find("&lt;fail&gt;"), std::string::npos);
    const std::string stub = capture_output([](FILE *out) { write_stub_header_row(out, 0); });
    EXPECT_NE(stub.find(">Status</CELL_TEXT>"), std::string::npos) << stub;
    EXPECT_NE(stub.find(">&lt;fail&gt;</CELL_TEXT>"), std::string::npos) << stub;
}

}  // namespace
