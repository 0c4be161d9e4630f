// The byte-wise path for ASCII texts must give exactly the bytes of the
// general path through QString (QString::simplified and all); checked on
// tricky inputs, every ASCII character, and a deterministic pseudo-random
// stream of texts drawn from the characters that matter.
#include "report/escape.h"

#include <gtest/gtest.h>
#include <random>

namespace {

std::string through_ascii_path(const std::string &bytes, bool simplify)
{
    std::string out;
    append_escaped(out, bytes.data(), bytes.size(), simplify);
    return out;
}

std::string through_unicode_path(const std::string &bytes, bool simplify)
{
    std::string out;
    append_escaped_unicode(out, QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size())),
                           simplify);
    return out;
}

void expect_paths_agree(const std::string &bytes)
{
    for (bool simplify : {true, false}) {
        EXPECT_EQ(through_ascii_path(bytes, simplify), through_unicode_path(bytes, simplify))
            << "simplify " << simplify << " input [" << bytes << "]";
        // The QString overload takes the same ASCII path for ASCII units.
        std::string from_string;
        append_escaped(from_string, QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())),
                       simplify);
        EXPECT_EQ(from_string, through_unicode_path(bytes, simplify));
    }
}

TEST(EscapePaths, AgreeOnTrickyInputs)
{
    const std::string cases[] = {
        "", " ", "  ", "a", " a", "a ", " a b  c ", "\t\n\v\f\r", "a\t\tb", "\ra\r\n",
        "&", "&&", "&amp;", "\"", "<>", "<<>>", "x<y && \"z\">w", "it's",
        std::string("a\0b", 3), "\x01\x02\x08", "\x0e\x1f", "\x1c \x1d \x1e", "\x7f", " \x0b x \x0c ",
        "a\x1c\t\x1d" "b", "        trailing\t\t\t",
    };
    for (const std::string &c : cases)
        expect_paths_agree(c);
}

TEST(EscapePaths, AgreeOnEveryAsciiCharacter)
{
    for (int c = 0; c < 128; ++c) {
        const char ch = static_cast<char>(c);
        expect_paths_agree(std::string(1, ch));
        expect_paths_agree(std::string("a") + ch + "b");
        expect_paths_agree(std::string(" ") + ch + ch + " ");
    }
}

TEST(EscapePaths, AgreeOnPseudoRandomTexts)
{
    const char alphabet[] = "ab &\"<>'\t\n\v\f\r\x01\x1f\x7f;=";
    std::mt19937 generator(20260101);
    std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 2);
    std::uniform_int_distribution<int> length(0, 24);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = length(generator); i > 0; --i)
            text.push_back(alphabet[pick(generator)]);
        expect_paths_agree(text);
    }
}

}  // namespace
