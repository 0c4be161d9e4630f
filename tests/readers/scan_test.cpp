// The trace stream and the scanners beyond cases/scan.tsv: whole files and
// pipes, scanners refilling every few bytes, and decode_text's plain fast
// path agreeing with the conversion through Unicode.
#include "diagnostics/memory.h"
#include "readers/scan.h"
#include "readers/trace_stream.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTextCodec>
#include <algorithm>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Takes ownership of a returned text; "<none>" stands for null.
std::string take(char *text)
{
    const std::string value = text ? text : "<none>";
    mem_free(text);
    return value;
}

std::string rest_of(TraceStream *stream)
{
    std::string out;
    for (int c; (c = trace_getc(stream)) >= 0;)
        out += static_cast<char>(c);
    return out;
}

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
    std::string contents;
    for (int line = 0; line < 87500; ++line)
        contents += std::to_string(10000000 + line).substr(1) + "\n";
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
            TraceStream *whole = trace_open_memory(bytes.data(), bytes.size()), *small = trace_open(file.c_str());
            ASSERT_NE(small, nullptr);
            small->capacity = capacity;  // the buffer is larger; only this much is filled
            for (size_t i = 0; i < ops.size(); ++i)
                ASSERT_EQ(one_step(small, ops[i]), one_step(whole, ops[i]))
                    << "round " << round << ", capacity " << capacity << ", step " << i;
            EXPECT_EQ(rest_of(small), rest_of(whole)) << "round " << round << ", capacity " << capacity;
            EXPECT_EQ(trace_eof(small), trace_eof(whole));
            trace_close(small);
            trace_close(whole);
        }
        unlink(file.c_str());
    }
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

namespace {

// Letters and pieces, mostly under short bytes (one time in four under
// long), opened with a quote three times in four and closed with one three
// times in four.
template <size_t count>
std::string random_text(std::mt19937 &random, const std::string (&pieces)[count], size_t short_most, size_t long_most)
{
    std::string text = random() % 4 ? "\"" : "";
    const size_t length = random() % 4 == 0 ? random() % long_most : random() % short_most;
    while (text.size() < length)
        text += random() % 3 ? std::string(1, static_cast<char>('a' + random() % 26)) : pieces[random() % count];
    if (random() % 4)
        text += "\"";
    return text;
}

}  // namespace

// A note's text decoded in one pass gives what the general decoding gives,
// wherever the escapes, quotes, bytes above ASCII and the text's end fall
// among its blocks of sixteen: octal escapes whole, cut short or running
// into the closing quote, escaped quotes and backslashes, the
// character-set form, valid and invalid UTF-8, escapes that give a NUL.
TEST(DecodeText, OnePassAgreesWithTheGeneralDecoding)
{
    std::mt19937 random(4242);
    const std::string pieces[] = {"\"",   "\"",     "\\",    "\\\\", "\\\"", "\\n",  "\\t",
                                  "\\303", "\\251", "\\000", "\\7",   "\\38",  "\\q",  "\\\xc3",
                                  "\xc3\xa9", "\xc3",   "\xe2\x82\xac", "\xef\xbb\xbf", "\"UTF-8\" \"", "\"latin1\" \"", "7"};
    for (int round = 0; round < 40000; ++round) {
        const std::string text = random_text(random, pieces, 20, 60);
        ByteBuffer general, one_pass;
        general.append("x", 1);  // texts are appended after what the buffer holds
        one_pass.append("x", 1);
        // A byte after the text that no reading may take in.
        const std::string followed = text + "Z";
        const bool kept = decode_text_into(followed.data(), text.size(), general);
        ASSERT_EQ(decode_escaped_text_into(followed.data(), text.size(), one_pass), kept) << "round " << round << ": " << text;
        ASSERT_EQ(one_pass.str(), general.str()) << "round " << round << ": " << text;
    }
}

// The rest of a statement's line read in one pass, where that pass takes it,
// gives what line_text and then decode_text_into give: backslashes alone, in
// pairs and before the line end, quotes, NULs, octal escapes, the
// character-set form, bytes above ASCII, wherever the blocks of sixteen fall.
TEST(DecodeText, LineTextInOnePassAgreesWithTheTwoSteps)
{
    std::mt19937 random(909);
    const std::string pieces[] = {"\\", "\\\\", "\\\"", "\"", "\"", std::string(1, '\0'), "\\303", "\\000",
                                  "\\t", "\xc3\xa9", "\xc3", "\"UTF-8\" \"", "\"latin1\" \"", " "};
    size_t taken = 0;
    for (int round = 0; round < 40000; ++round) {
        const std::string line = random_text(random, pieces, 24, 70);
        ByteBuffer one_pass;
        one_pass.append("x", 1);  // texts are appended after what the buffer holds
        bool kept = false;
        if (!decode_line_text_into(line.data(), line.data() + line.size(), one_pass, &kept)) {
            ASSERT_EQ(one_pass.str(), "x") << "round " << round;
            continue;
        }
        ++taken;
        char buffer[TOKEN_TEXT_SIZE];
        size_t text_length = 0;
        const char *text = line_text(line.data(), line.data() + line.size(), buffer, &text_length);
        ByteBuffer in_steps;
        in_steps.append("x", 1);
        ASSERT_EQ(kept, decode_text_into(text, text_length, in_steps)) << "round " << round << ": " << line;
        ASSERT_EQ(one_pass.str(), in_steps.str()) << "round " << round << ": " << line;
    }
    EXPECT_GT(taken, 20000u);  // most lines go the one way
}

// A character-set name is remembered by its length and end bytes as well:
// names alike in those, known or not, still give their own codecs, in any
// order.
TEST(DecodeText, CharacterSetNamesAlikeAtTheirEnds)
{
    const std::vector<std::string> names = {"ISO-8859-5", "ISO-8859X5", "IS0-8859-5", "ISO-8859-1", "ISO-8859-7",
                                            "KOI8-R",     "KOI8-U",     "latin1",     "UTF-8",      "utf-8"};
    const std::string payload = "\xe9\xf3";
    std::mt19937 random(77);
    for (int round = 0; round < 200; ++round) {
        const std::string &name = names[random() % names.size()];
        QTextCodec *codec = QTextCodec::codecForName(name.c_str());
        if (!codec)
            codec = QTextCodec::codecForLocale();
        const std::string expected = codec->toUnicode(payload.data(), static_cast<int>(payload.size())).toLocal8Bit().toStdString();
        ASSERT_EQ(take(decode_text(("\"" + name + "\" \"" + payload + "\"").c_str())), expected)
            << "round " << round << ": " << name;
    }
}

// A text said to decode to itself does, and one with a quote, a backslash
// or a byte above ASCII anywhere (whichever eight-byte word it falls in) is
// not said to.
TEST(DecodeText, TextsThatDecodeToThemselves)
{
    std::mt19937 random(77);
    const char specials[] = {'"', '\\', '\x80', '\xff', '\xc3'};
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 30, 'a');
        for (char &c : text)
            c = static_cast<char>(' ' + random() % 95);  // printable ASCII, quote and backslash among them
        if (random() % 2 && !text.empty())
            text[random() % text.size()] = specials[random() % sizeof specials];
        const bool plain = !text.empty() && text.find_first_of("\"\\") == std::string::npos
                           && std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        ASSERT_EQ(decodes_to_itself(text.data(), text.size()), plain) << text;
        if (plain) {
            ByteBuffer decoded;
            ASSERT_TRUE(decode_text_into(text.data(), text.size(), decoded)) << text;
            ASSERT_EQ(decoded.str(), text);
        }
    }
}

// line_text reads the rest of a line already in the buffer exactly as
// read_until_text(stream, "\n") reads it off the stream: escapes taken out
// eight bytes at a time or one by one, wherever a backslash, a NUL or the
// 1998-byte limit falls.
TEST(LineText, AgreesWithTheStreamReading)
{
    std::mt19937 random(2026);
    const char pieces[] = {'a', 'b', '"', '\\', '\\', '\0', '\xc3', ' '};
    for (int round = 0; round < 4000; ++round) {
        std::string line;
        const int length = round % 40 == 0 ? 1990 + static_cast<int>(random() % 30) : static_cast<int>(random() % 70);
        const int spread = 1 + static_cast<int>(random() % 24);  // plain bytes between special ones
        for (int i = 0; i < length; ++i)
            line += random() % static_cast<unsigned>(spread) ? static_cast<char>('c' + i % 20)
                                                            : pieces[random() % sizeof pieces];
        const std::string with_end = line + "\n";
        TraceStream *stream = trace_open_memory(with_end.data(), with_end.size());
        std::string expected = take(read_until_text(stream, "\n"));
        trace_close(stream);
        if (expected == "<none>")
            expected.clear();
        char buffer[TOKEN_TEXT_SIZE];
        size_t found_length = 0;
        const char *found = line_text(line.data(), line.data() + line.size(), buffer, &found_length);
        ASSERT_EQ(std::string(found, found_length), expected) << "round " << round;
    }
}

// plain_quoted_text_end looks at sixteen or eight bytes at a time; a byte at
// a time it is: an opening quote, bytes none of which is a quote, backslash,
// line end or NUL, then a quote and a line end, all before the limit, with
// any bytes above ASCII among them valid UTF-8. Specials and UTF-8 sequences,
// valid and not, fall at every place of a block, and the limit cuts anywhere.
TEST(PlainQuotedText, EndFoundWhereverTheBlocksFall)
{
    const auto one_at_a_time = [](const char *from, const char *limit) -> const char * {
        if (from >= limit || *from != '"')
            return nullptr;
        const char *at = from + 1;
        bool high = false;
        while (at < limit && *at != '"' && *at != '\\' && *at != '\n' && *at != '\0') {
            high |= static_cast<unsigned char>(*at) >= 0x80;
            ++at;
        }
        if (!(at + 1 < limit && at[0] == '"' && at[1] == '\n'))
            return nullptr;
        return !high || round_trips_unchanged(from + 1, static_cast<size_t>(at - from - 1)) ? at : nullptr;
    };
    std::mt19937 random(99);
    const std::string specials[] = {"\"", "\\", "\n", std::string(1, '\0'), "\x80", "\xff", "\x7f", "!",
                                    "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xef\xbb\xbf", "\xc3"};
    for (int round = 0; round < 20000; ++round) {
        std::string text = "\"" + std::string(random() % 50, 'x');
        for (int i = text.size() > 1 ? static_cast<int>(random() % 3) : 0; i > 0; --i)
            text.replace(1 + random() % (text.size() - 1), 1, specials[random() % std::size(specials)]);
        if (random() % 4)
            text += "\"\n";
        text += std::string(random() % 20, random() % 2 ? 'y' : '"');
        const size_t limit = random() % 5 == 0 ? random() % (text.size() + 1) : text.size();
        const char *from = text.data();
        ASSERT_EQ(plain_quoted_text_end(from, from + limit), one_at_a_time(from, from + limit))
            << "round " << round << ", limit " << limit;
    }
}

// decode_text on ASCII texts long enough for the block-wise look at quotes
// and backslashes, against a byte-by-byte reading: unescaped quotes (a
// backslash toggles the escape), the character-set form when there are
// exactly four (its name is none here, so the payload stays as it is), the
// outer quotes dropped, escapes taken out, and a NUL ending the text.
TEST(DecodeText, QuotesAndEscapesFoundWhereverTheBlocksFall)
{
    const auto byte_by_byte = [](const std::string &text) -> std::string {
        std::vector<size_t> quotes;
        bool escaped = false, backslash = false;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\') {
                backslash = true;
                escaped = !escaped;
                continue;
            }
            if (text[i] == '"' && !escaped)
                quotes.push_back(i);
            escaped = false;
        }
        std::string local = text;
        bool unescape = backslash;
        if (quotes.size() == 4) {
            local = text.substr(quotes[2], quotes[3] - quotes[2]);
            unescape = true;
        }
        if (local.empty())
            return "<none>";
        size_t end = local.size();
        if (local[end - 1] == '"')
            --end;
        const size_t begin = end > 0 && local[0] == '"' ? 1 : 0;
        if (!unescape)
            return local.substr(begin, end - begin);
        std::string out;
        for (size_t i = begin; i < end;) {
            if (local[i] != '\\') {
                out += local[i++];
            } else if (i + 1 >= local.size()) {
                ++i;
            } else if (const char next = local[i + 1]; next == 'n' || next == 't') {
                out += next == 'n' ? '\n' : '\t';
                i += 2;
            } else if (next >= '0' && next <= '7' && i + 3 < local.size()) {
                out += static_cast<char>(((next - '0') * 64 + (local[i + 2] - '0') * 8 + (local[i + 3] - '0')) & 0xff);
                i += 4;
            } else {
                out += next;
                i += 2;
            }
        }
        return out.substr(0, out.find('\0'));
    };
    std::mt19937 random(31);
    const char pieces[] = {'"', '"', '\\', 'n', '1', '4', '0', 't', ' ', 'q'};
    for (int round = 0; round < 30000; ++round) {
        std::string text(random() % 70, 'a');
        for (char &c : text)
            if (random() % 4 == 0)
                c = pieces[random() % sizeof pieces];
        ASSERT_EQ(take(decode_text(text.c_str())), byte_by_byte(text)) << "round " << round << ": " << text;
    }
}

// The plain number fields of the line runs take every field of one to eight
// hexadecimal (one to nine decimal) digits right before its delimiter, with
// the value the general parsing gives and the position past the delimiter;
// anything else they leave to the general reading, position untouched.
TEST(PlainFields, TakenExactlyWhereTheyArePlain)
{
    std::mt19937 random(17);
    const std::string hex = "0123456789abcdefABCDEF", decimal = "0123456789";
    // Bytes next to the digits' ranges, and the digits with the high bit set.
    const std::string others = " \n\"-+xgGz/:;?@[`{\x80\xb0\xb9\xc1\xe6\x01\x10";
    for (int i = 0; i < 20000; ++i) {
        const bool in_hex = i % 2 == 0;
        const std::string &digits = in_hex ? hex : decimal;
        const size_t most = in_hex ? 8 : 9;
        std::string line;
        const size_t length = random() % (most + 3);
        for (size_t k = 0; k < length; ++k)
            line += digits[random() % digits.size()];
        const char delimiter = random() % 2 ? ' ' : '\n';
        line += random() % 4 != 0 ? delimiter : others[random() % others.size()];
        if (random() % 4 == 0)  // something else among the digits
            line[random() % line.size()] = others[random() % others.size()];
        line += random() % 2 ? "rest of the line\n" : "";
        size_t count = 0;  // the digits before the first other byte
        while (digits.find(line[count]) != std::string::npos)
            ++count;
        const char *p = line.data();
        uint32_t value = 12345;
        const bool taken = in_hex ? plain_hex_field(p, line.data() + line.size(), delimiter, value)
                                  : plain_decimal_field(p, line.data() + line.size(), delimiter, value);
        const bool delimited = count >= 1 && count <= most && line[count] == delimiter;
        ASSERT_EQ(taken, delimited) << line;
        if (taken) {
            EXPECT_EQ(value, parse_unsigned_bytes(line.data(), count, in_hex ? 16 : 10)) << line;
            EXPECT_EQ(p, line.data() + count + 1) << line;
        } else {
            EXPECT_EQ(p, line.data()) << line;
        }
    }
}
