// The markup emitter and the escaping below it: white space, entities, UTF-8
// output, characters XML cannot carry, the byte-wise ASCII path agreeing with
// the path through QString, title styles and joined titles, link targets and
// the contexts of the header rows. Cells, rows and node tags as the sections
// write them are pinned by the section tests.
#include "report/emitter.h"
#include "report/escape.h"
#include "report/report_fixtures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <climits>
#include <cstdio>
#include <random>
#include <vector>

namespace {

const std::string FFFD = "\xEF\xBF\xBD";

std::string escaped(const char *text)
{
    return capture_output([&](FILE *out) { write_escaped(out, text); });
}

TEST(Emitter, EscapesLocalText)
{
    for (const TableRow &row : read_table("report/escape.table"))
        EXPECT_EQ(escaped(row.c_str(0)), row[1]) << "line " << row.line;
}

// Unpaired or reversed surrogates, controls and the two non-characters.
TEST(Emitter, EscapesUnicodeText)
{
    const auto units = [](std::initializer_list<char16_t> list) {
        QString text;
        for (char16_t unit : list)
            text.append(QChar(unit));
        return capture_output([&](FILE *out) { write_escaped_string(out, text); });
    };
    EXPECT_EQ(units({0x00e9, '\t', '<'}), "\xC3\xA9 &lt;");
    EXPECT_EQ(units({'a', 0xd800, 'b'}), "a" + FFFD + "b");
    EXPECT_EQ(units({0xdc00, 0xd800}), FFFD + FFFD);
    EXPECT_EQ(units({0x0001, 0xffff, 0xfffe}), FFFD + FFFD + FFFD);
    EXPECT_EQ(units({0xd83d, 0xde00}), "\xF0\x9F\x98\x80");
}

// The byte-wise path for ASCII texts must give exactly the bytes of the path
// through QString (QString::simplified and all), for every ASCII character
// and for pseudo-random texts drawn from the characters that matter.
TEST(Emitter, AsciiPathMatchesTheUnicodePath)
{
    std::vector<std::string> texts = {"", " a b  c ", "\ra\r\n", "&amp;", "x<y && \"z\">w", std::string("a\0b", 3),
                                      "\x1c \x1d \x1e", " \x0b x \x0c ", "a\x1c\t\x1d" "b", "  trailing\t\t\t"};
    for (size_t length = 1; length <= 40; ++length) {  // plain to the end, whatever the length
        for (const char *after : {"", " q", "  q", " <", " ", "\t q", " q r  s"})
            texts.push_back(std::string(length, 'p') + after);
    }
    for (int c = 0; c < 128; ++c) {
        const std::string ch(1, static_cast<char>(c));
        texts.insert(texts.end(), {ch, "a" + ch + "b", " " + ch + ch + " "});
    }
    const char alphabet[] = "ab &\"<>'\t\n\v\f\r\x01\x1f\x7f;=";
    std::mt19937 random(20260101);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        // Long enough for the runs looked at sixteen bytes at a time.
        for (int i = random() % 60; i > 0; --i)
            text.push_back(alphabet[random() % (sizeof alphabet - 1)]);
        texts.push_back(text);
    }
    for (const std::string &text : texts)
        for (bool simplify : {true, false}) {
            const auto size = static_cast<qsizetype>(text.size());
            // The counted form reads no further than its length: the bytes
            // after the text are plain and would join it.
            const std::string followed = text + "x y";
            Markup ascii, unicode, from_string, terminated;
            append_escaped(ascii, followed.data(), text.size(), simplify);
            append_escaped_unicode(unicode, QString::fromLocal8Bit(text.data(), size), simplify);
            append_escaped(from_string, QString::fromLatin1(text.data(), size), simplify);
            append_escaped(terminated, text.c_str(), simplify);
            ASSERT_EQ(ascii.str(), unicode.str()) << "simplify " << simplify << " input [" << text << "]";
            ASSERT_EQ(from_string.str(), unicode.str()) << "simplify " << simplify << " input [" << text << "]";
            if (text.find('\0') == std::string::npos) {
                ASSERT_EQ(terminated.str(), unicode.str()) << "simplify " << simplify << " input [" << text << "]";
            }
        }
}

TEST(Emitter, TitleStylesStopAtTitle5)
{
    for (const TableRow &row : read_table("report/title_styles.table"))
        EXPECT_EQ(capture_output([&](FILE *out) {
                      write_title(out, QStringLiteral(" Report  Information"), std::stoi(row[0]), std::stoi(row[1]), 12);
                  }),
                  "<TITLE LEVEL=\"" + row[0] + "\" TAG=\"nodex12\" STYLE=\"" + row[2]
                      + "\">\n<TEXT>Report Information</TEXT>\n</TITLE>\n");
}

TEST(Emitter, JoinedTitleSimplifiesAcrossTheJoin)
{
    const struct {
        QString head;
        const char *tail;
        const char *text;
    } cases[] = {
        {QStringLiteral("Test Case"), "", "Test Case"},
        {QStringLiteral("Test Case "), "  x ", "Test Case x"},
        {QString::fromUtf8("Cas de test\xC2\xA0"), " \xC3\xA9t\xC3\xA9", "Cas de test \xC3\xA9t\xC3\xA9"},
        {QStringLiteral("Stub"), "a<b", "Stub a&lt;b"},
    };
    for (const auto &c : cases) {
        Markup title;
        append_title(title, c.head, c.tail, 1, 1, 0);
        const std::string out = title.str();
        EXPECT_EQ(out.substr(out.find("<TEXT>")), std::string("<TEXT>") + c.text + "</TEXT>\n</TITLE>\n");
    }
}

// The target is simplified and escaped like any text; the line is appended.
TEST(Emitter, LinkCells)
{
    EXPECT_EQ(capture_output([](FILE *out) { write_link_cell(out, "x\n&\ny", 9, " /my  dir/\"q\".java ", -1); }),
              "<CELL STYLE=\"Array Failed\"><LINK TARGET=\"/my dir/&quot;q&quot;.java line -1\">\n"
              "<TEXT>x &amp; y</TEXT>\n</LINK>\n</CELL>\n");
}

// Numbers as "%lld" gives them, around every length the inline paths take,
// and the cell styles, any unknown one written as failed.
TEST(Emitter, NumbersAndCellStyles)
{
    std::vector<long long> values = {LLONG_MIN, LLONG_MIN + 1, LLONG_MAX, -1000, 1000, 12345678901LL};
    for (long long v = -120; v <= 1100; ++v)
        values.push_back(v);
    for (long long v : values) {
        Markup out;
        out.append("x");
        append_number(out, v);
        char expected[32];
        snprintf(expected, sizeof expected, "x%lld", v);
        EXPECT_EQ(out.str(), expected);
    }
    const std::pair<int, const char *> styles[] = {
        {CELL_TITLE, "Array Title"}, {CELL_PLAIN, "Array"}, {CELL_FAILED, "Array Failed"},
        {CELL_PASSED, "Array Passed"}, {-1, "Array Failed"}, {4, "Array Failed"}};
    for (const auto &style : styles) {
        Markup out;
        append_cell_number(out, 42, style.first);
        EXPECT_EQ(out.str(), std::string("<CELL_TEXT STYLE=\"") + style.second + "\">42</CELL_TEXT>\n");
        out.clear();
        append_link_cell(out, "t", style.first, Markup(), 7);
        EXPECT_EQ(out.str().substr(0, out.str().find(" line")),
                  std::string("<CELL STYLE=\"") + style.second + "\"><LINK TARGET=\"");
    }
}

TEST(Emitter, HeaderRowsUseTheirOwnContexts)
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

// UTF-8 characters that come back as they are take the byte-wise path too;
// everything else about a text's bytes (white space beyond ASCII, the
// characters next to it, U+FEFF, U+FFFE, U+FFFF, surrogates, overlong and
// cut sequences, stray bytes) must still give exactly the bytes of the path
// through QString, alone, next to ASCII and across a joined title.
TEST(Emitter, Utf8PathMatchesTheUnicodePath)
{
    const char *pieces[] = {
        "a", "b", " ", "  ", "\t", "&", "<", "\"", "\x01",
        "\xC3\xA9", "\xC2\xA1", "\xC2\xA0", "\xC2\x85", "\xC2\x80", "\xC2\x9F", "\xDF\xBF",
        "\xE1\x9A\x80", "\xE1\xA0\x8E", "\xE2\x80\x80", "\xE2\x80\x8A", "\xE2\x80\x8B", "\xE2\x80\xA8",
        "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE2\x81\xAF", "\xE2\x82\xAC", "\xE3\x80\x80", "\xE3\x81\x82",
        "\xEF\xBB\xBF", "\xEF\xBF\xBD", "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xED\x9F\xBF", "\xED\xA0\x80",
        "\xEE\x80\x80", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF0\x8F\xBF\xBF",
        "\xE0\x80\x80", "\xE0\xA0\x80", "\xC0\xAF", "\xC1\xBF", "\x80", "\xBF", "\xFE", "\xFF", "\xF5\x80\x80\x80",
        "\xC3", "\xE2\x82", "\xF0\x9F\x98",
    };
    std::mt19937 random(8);
    for (int round = 0; round < 30000; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 14); i > 0; --i)
            text += pieces[random() % (sizeof pieces / sizeof *pieces)];
        for (bool simplify : {true, false}) {
            const auto size = static_cast<qsizetype>(text.size());
            const std::string followed = text + "x y";
            Markup bytes, unicode;
            append_escaped(bytes, followed.data(), text.size(), simplify);
            append_escaped_unicode(unicode, QString::fromLocal8Bit(text.data(), size), simplify);
            ASSERT_EQ(bytes.str(), unicode.str()) << "simplify " << simplify << " input [" << text << "]";
        }
        Markup joined, unicode;
        append_escaped_joined(joined, QStringLiteral("Test Case "), text.c_str());
        append_escaped_unicode(unicode, QStringLiteral("Test Case ") + QLatin1Char(' ') + QString::fromLocal8Bit(text.c_str()), true);
        ASSERT_EQ(joined.str(), unicode.str()) << "joined [" << text << "]";
    }
}

// Short pieces are moved by overlapping loads and stores: every length up to
// seventy-two, appended after pieces of every other length, gives exactly the
// bytes appended, with nothing read past a piece (the pieces here end where
// their storage does) and nothing written past it.
TEST(Markup, PiecesOfEveryLengthAppendExactly)
{
    std::string expected;
    Markup out;
    for (size_t first = 0; first <= 72; ++first)
        for (size_t second = 0; second <= 72; ++second) {
            for (const size_t length : {first, second}) {
                std::vector<char> piece(length);  // exactly length bytes of storage
                for (size_t i = 0; i < length; ++i)
                    piece[i] = static_cast<char>('A' + (expected.size() + i) % 53);
                out.append(piece.data(), length);
                expected.append(piece.data(), length);
            }
            ASSERT_EQ(out.size(), expected.size());
        }
    EXPECT_EQ(out.str(), expected);
}
