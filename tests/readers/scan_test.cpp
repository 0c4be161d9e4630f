// Scanning primitives and the trace stream: whole files and pipes, token
// boundaries, line ends, the fixed token limits, number fields, field
// picking and the decoding of trace texts (escapes, quotes, character-set
// form, and the plain fast path agreeing with the conversion through Unicode).
#include "reader_helpers.h"
#include "support/test_support.h"

#include <QString>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string rest_of(TraceStream *stream)
{
    std::string out;
    for (int c; (c = trace_getc(stream)) >= 0;)
        out += static_cast<char>(c);
    return out;
}

struct Stream {
    TraceStream *stream;
    explicit Stream(const std::string &bytes) : stream(trace_open_memory(bytes.data(), bytes.size())) {}
    ~Stream() { trace_close(stream); }
    std::string rest() { return rest_of(stream); }
};

// A file larger than the stream's buffer, and a pipe whose size is unknown.
TEST(TraceStream, FilesAndPipesAreReadWhole)
{
    const auto read_all = [](const std::string &path) {
        TraceStream *stream = trace_open(path.c_str());
        if (!stream)
            return std::string("<cannot open>");
        const std::string bytes = rest_of(stream);
        EXPECT_TRUE(trace_eof(stream) && !trace_error(stream)) << path;
        trace_close(stream);
        return bytes;
    };
    const std::string contents = numbered("%07d\n", 87500);
    const std::string file = write_temp_file(contents);
    EXPECT_EQ(read_all(file), contents);
    unlink(file.c_str());

    const std::string directory = make_temp_dir(), fifo = directory + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        const int out = open(fifo.c_str(), O_WRONLY);
        for (int i = 0; i < 100; ++i)
            (void)!write(out, contents.data(), 5000);
        close(out);
    });
    EXPECT_EQ(read_all(fifo).size(), 500000u);
    writer.join();
    unlink(fifo.c_str());
    rmdir(directory.c_str());
}

// read_until_char with a delimiter; read_until_text, with its backslash
// rules and buffer limit, with a terminator.
TEST(ReadUntil, Table)
{
    const struct {
        const char *name;
        std::string input;
        int delimiter;
        const char *terminator;
        std::string token, left;
    } cases[] = {
        {"newline is dropped, not a delimiter", "ED\nDB rest", ' ', nullptr, "EDDB", "rest"},
        {"newline inside a quoted token", "a\nb\"z", '"', nullptr, "ab", "z"},
        {"newline delimiter", "x y\nz", '\n', nullptr, "x y", "z"},
        {"end of file ends the token", "ab", ' ', nullptr, "ab", ""},
        {"empty input", "", ' ', nullptr, "", ""},
        {"delimiter first", " x", ' ', nullptr, "", "x"},
        {"NUL byte cuts the stored token", std::string("ab\0cd xy", 8), ' ', nullptr, "ab", "xy"},
        {"high bytes are kept", "\xff\xfe z", ' ', nullptr, "\xff\xfe", "z"},
        {"1500-char token keeps 1023", std::string(1500, 'k') + " Z", ' ', nullptr, std::string(1023, 'k'), "Z"},
        {"closing quote dropped", "abc\"\nNEXT", 0, "\n", "abc", "NEXT"},
        {"empty line", "\nX", 0, "\n", "", "X"},
        {"escaped quote kept", "x\\\"y\"\n", 0, "\n", "x\"y", ""},
        {"escaped backslash kept once", "a\\\\b\"\n", 0, "\n", "a\\b", ""},
        {"lone backslash before the line end", "ab\"\\\nZ", 0, "\n", "ab", "Z"},
        {"end of file without line end", "abc\"", 0, "\n", "abc", ""},
        {"NUL byte cuts the text", std::string("a\0b\"\nZ", 6), 0, "\n", "a", "Z"},
        {"multi-character terminator", "abENDxy", 0, "END", "ab", "xy"},
        {"window restarts on a repeated first character", "aEENDb", 0, "END", "aE", "b"},
        {"terminator longer than what was stored", "D", 0, "ED", "", ""},
        // 1998 characters fit the buffer; the final drop removes one more.
        {"long line cut and read to its end", std::string(2500, 'a') + "\nZ", 0, "\n", std::string(1997, 'a'), "Z"},
        // A CR right before a LF belongs to the line end; any other CR is a byte.
        {"CR LF closes a statement text", "abc\"\r\nNEXT", 0, "\n", "abc", "NEXT"},
        {"CR LF ends a message token", "1a \"m\"\r\nX", '\n', nullptr, "1a \"m\"", "X"},
        {"CR LF inside a token is dropped", "ED\r\nDB rest", ' ', nullptr, "EDDB", "rest"},
        {"CR before another CR is kept", "a\r\r\nb", '\n', nullptr, "a\r", "b"},
        {"CR without LF is kept", "a\rb\n", '\n', nullptr, "a\rb", ""},
        {"CR at the end of the trace is kept", "ab\r", '\n', nullptr, "ab\r", ""},
    };
    for (const auto &c : cases) {
        Stream in(c.input);
        char *token = c.terminator ? read_until_text(in.stream, c.terminator) : read_until_char(in.stream, c.delimiter);
        EXPECT_EQ(take(token), c.token) << c.name;
        EXPECT_EQ(in.rest(), c.left) << c.name;
    }
}

// The scanners work on whole buffer runs and refill in between; a stream
// refilled every few bytes must give what one buffer holding everything
// gives, wherever a token, a backslash, a NUL or a line end meets a refill.
TEST(ReadUntil, SmallBuffersGiveTheSameTokens)
{
    const auto one_step = [](TraceStream *stream, int op) {
        char token[TOKEN_BUFFER_SIZE];
        switch (op) {
        case 0: read_token_into(stream, ' ', token); return std::string(token);
        case 1: read_token_into(stream, '\n', token); return std::string(token);
        case 2: return take(read_until_text(stream, "\n"));
        case 3: return take(read_until_char(stream, '"'));
        case 4: skip_until_char(stream, '\n'); return std::string("skipped");
        default: return std::to_string(read_number_field(stream, ' ', 16));
        }
    };
    std::mt19937 random(4242);
    const char pieces[] = {'a', 'b', ' ', '\n', '\\', '"', '\0', '1', 'f', '\r', '\r'};
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        for (int i = static_cast<int>(random() % 120); i > 0; --i)
            bytes += pieces[random() % sizeof pieces];
        if (round % 50 == 0)
            bytes += std::string(2100, 'q') + "\\\n" + std::string(1100, 'r') + "\n";
        const std::string file = write_temp_file(bytes);
        std::vector<int> ops;
        for (int i = 0; i < 12; ++i)
            ops.push_back(static_cast<int>(random() % 6));
        for (size_t capacity : {1, 2, 3, 5, 8}) {
            Stream whole(bytes);
            TraceStream *small = trace_open(file.c_str());
            ASSERT_NE(small, nullptr);
            small->capacity = capacity;  // the buffer is larger; only this much is filled
            for (size_t i = 0; i < ops.size(); ++i)
                ASSERT_EQ(one_step(small, ops[i]), one_step(whole.stream, ops[i]))
                    << "round " << round << ", capacity " << capacity << ", step " << i;
            EXPECT_EQ(rest_of(small), whole.rest()) << "round " << round << ", capacity " << capacity;
            EXPECT_EQ(trace_eof(small), trace_eof(whole.stream));
            trace_close(small);
        }
        unlink(file.c_str());
    }
}

TEST(NumberFields, Table)
{
    const struct {
        std::string input;
        int delimiter, base;
        uint32_t value;
        std::string left;
    } cases[] = {
        {"1a rest", ' ', 16, 0x1a, "rest"},    {"ff\nZ", '\n', 16, 0xff, "Z"},
        {"0x1F ", ' ', 16, 0x1f, ""},          {"0xg ", ' ', 16, 0, ""},
        {"\t12\n", '\n', 10, 12, ""},          {"12ab ", ' ', 10, 12, ""},
        {"zz ", ' ', 16, 0, ""},               {"-1\n", '\n', 16, 0xffffffffu, ""},
        {"-2\n", '\n', 10, 0xfffffffeu, ""},   {"ffffffff ", ' ', 16, 0xffffffffu, ""},
        {"100000000 ", ' ', 16, 0xffffffffu, ""}, {"99999999999 ", ' ', 10, 0xffffffffu, ""},
    };
    for (const auto &c : cases) {
        Stream in(c.input);
        EXPECT_EQ(read_number_field(in.stream, c.delimiter, c.base), c.value) << c.input;
        EXPECT_EQ(in.rest(), c.left) << c.input;
    }

    const std::pair<const char *, int32_t> signed_cases[] = {
        {"12", 12}, {"  -5", -5}, {"+8x", 8}, {"abc", 0}, {"", 0},
        {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN}, {"-2147483648", INT32_MIN},
    };
    for (const auto &c : signed_cases)
        EXPECT_EQ(parse_signed_decimal(c.first), c.second) << c.first;
}

TEST(SkipPastSpaces, ConsumesTheFirstNonSpaceToo)
{
    const struct {
        std::string input, left;
        bool at_end;
    } cases[] = {{"   \"abc", "abc", false}, {"xy", "y", false}, {"\t x", " x", false}, {"   ", "", true}};
    for (const auto &c : cases) {
        Stream in(c.input);
        skip_past_spaces(in.stream);
        EXPECT_EQ(trace_eof(in.stream), c.at_end) << c.input;
        EXPECT_EQ(in.rest(), c.left) << c.input;
    }
}

TEST(NthField, Table)
{
    const struct {
        const char *text;
        int n;
        std::string field;
    } cases[] = {
        {"1a more words", 1, "1a"}, {"1a", 1, "1a"}, {"1a ", 1, "1a"}, {"1a ", 2, "<none>"},
        {"1a", 2, "<none>"}, {"a b c", 2, "b"}, {"a b c", 4, "<none>"}, {"a  b", 2, ""},
        {" a", 1, ""}, {"", 1, ""}, {nullptr, 1, "<none>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(take(nth_field(c.text, ' ', c.n)), c.field) << (c.text ? c.text : "(null)") << " n=" << c.n;
}

TEST(DecodeText, Table)
{
    const std::string long_text = std::string(3000, 'a') + "\\t" + std::string(3000, 'b');
    const struct {
        const char *name;
        const char *input;
        std::string decoded;
    } cases[] = {
        {"plain", "abc", "abc"},
        {"surrounding quotes", "\"abc\"", "abc"},
        {"two quotes only", "\"\"", ""},
        {"one quote only", "\"", ""},
        {"empty input", "", "<none>"},
        {"missing input", nullptr, "<none>"},
        {"octal", "a\\101b", "aAb"},
        {"octal wraps modulo 256", "\\777", "\xff"},
        {"octal zero ends the text", "x\\000y", "x"},
        {"octal needs two more characters", "\\12", "12"},
        {"dropped quote counts for octal", "\"\\12\"", "B"},
        {"controls", "\\f\\n\\r\\t", "\f\n\r\t"},
        {"any other escaped character", "\\q", "q"},
        {"escaped backslash", "\\\\", "\\"},
        {"escaped quote", "\\\"", "\""},
        {"backslash takes the dropped trailing quote", "\"abc\\\"", "abc\""},
        {"lone trailing backslash is dropped", "ab\\", "ab"},
        {"valid UTF-8 unchanged", "\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
        {"invalid UTF-8 replaced", "caf\xe9", "caf\xef\xbf\xbd"},
        {"leading byte-order mark dropped", "\xef\xbb\xbfhi", "hi"},
        {"Latin-1 character-set form", "\"ISO-8859-1\"\"caf\xe9\"", "caf\xc3\xa9"},
        {"text outside the character-set quotes ignored", "xx\"latin1\"yy\"\xe9\"zz", "\xc3\xa9"},
        {"escaped quotes do not count", "\"ISO-8859-1\" \\\"x\\\" \"\xe9\"", "\xc3\xa9"},
        {"escaped backslash before a counted quote", "\"latin1\"\\\\\"\xe9\"", "\xc3\xa9"},
        {"unknown character set falls back to the locale", "\"no-such-set\"\"abc\"", "abc"},
        {"empty character-set name", "\"\"\"\"", ""},
        {"three quotes are not the character-set form", "\"a\"b\"", "a\"b"},
        {"long texts processed whole", long_text.c_str(), std::string(3000, 'a') + "\t" + std::string(3000, 'b')},
    };
    for (const auto &c : cases)
        EXPECT_EQ(take(decode_text(c.input)), c.decoded) << c.name;
}

// Texts without quotes or backslashes go through the plain path when they are
// valid UTF-8; whatever path they take, the bytes must match the conversion
// through Unicode.
TEST(DecodeText, PlainPathMatchesUnicodeConversion)
{
    const auto through_unicode = [](const std::string &bytes) {
        const QByteArray local = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toLocal8Bit();
        return local.isEmpty() ? "<none>" : local.toStdString();
    };
    std::vector<std::string> texts = {
        "\xc0\xaf", "\xc1\xbf", "\xc2\x80", "\xdf\xbf", "\xe0\x80\x80", "\xe0\xa0\x80", "\xed\x9f\xbf",
        "\xed\xa0\x80", "\xee\x80\x80", "\xef\xbf\xbe", "\xef\xbf\xbf", "\xf0\x8f\xbf\xbf", "\xf0\x90\x80\x80",
        "\xf4\x8f\xbf\xbf", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xff", "\x80", "\xe2\x82", "\xe2\x82\xacx",
        "a\xef\xbb\xbf", "\xef\xbb\xbf", "\xef\xbb",
    };
    std::mt19937 random(12345);
    const unsigned char pieces[] = {'a', 'z', 0x80, 0x9f, 0xa0, 0xbf, 0xc2, 0xdf, 0xe0,
                                    0xed, 0xef, 0xf0, 0xf4, 0xf5, 0xbb, 0xff, 0xc0};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int i = 1 + static_cast<int>(random() % 8); i > 0; --i)
            text += static_cast<char>(pieces[random() % sizeof pieces]);
        texts.push_back(text);
    }
    for (const std::string &text : texts)
        ASSERT_EQ(take(decode_text(text.c_str())), through_unicode(text))
            << QByteArray::fromStdString(text).toHex().constData();
}

}  // namespace
