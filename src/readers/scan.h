// Scanning primitives shared by the static and dynamic trace readers. Every
// returned text is a new NUL-terminated copy (mem_alloc) that the caller frees
// with mem_free. None of them reports errors: end of file ends a token.
#pragma once

#include "diagnostics/byte_buffer.h"
#include "readers/trace_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Up to the delimiter (consumed, not kept) or end of file; newlines are
// dropped; at most 1023 characters kept, the rest read and dropped.
char *read_until_char(TraceStream *stream, int delimiter);
// Up to the terminator, with backslash escapes; drops as many trailing stored
// characters as the terminator is long. Bounded by a 2000-byte buffer.
char *read_until_text(TraceStream *stream, const char *terminator);
// read_until_char into the caller's buffer of TOKEN_BUFFER_SIZE bytes, with
// no allocation; returns the token's length.
const size_t TOKEN_BUFFER_SIZE = 1024;
size_t read_token_into(TraceStream *stream, int delimiter, char *token);
// Reads up to the delimiter (consumed) or end of file, keeping nothing.
void skip_until_char(TraceStream *stream, int delimiter);
// read_until_char, then strtoul in the given base.
uint32_t read_number_field(TraceStream *stream, int delimiter, int base);
// Reads up to and including the first non-space character.
void skip_past_spaces(TraceStream *stream);
// Field n (from 1) of text split at separator, or null.
char *nth_field(const char *text, char separator, int n);
// Trace text to local 8-bit text with escapes resolved, or null when empty.
char *decode_text(const char *trace_text);
// decode_text of length bytes of trace text (no NUL among them), appended to
// out; false, with nothing appended, where decode_text gives null.
bool decode_text_into(const char *text, size_t length, ByteBuffer &out);
// decode_text_into for texts that most likely hold escapes: where decoding
// only takes them out and drops the surrounding quotes, it is done in one
// pass over the text instead of a look at it and then the steps it needs.
// The look is cheaper for texts without escapes.
bool decode_escaped_text_into(const char *text, size_t length, ByteBuffer &out);

// The number parsing of read_number_field on a token already read: leading
// white space, an optional sign, in base 16 an optional 0x, digits up to the
// first non-digit (0 when none); out of range gives 0xffffffff.
uint32_t parse_unsigned_field(const char *text, int base);
// Decimal with leading white space and an optional sign, up to the first
// non-digit (0 when none); clamped to the 32-bit range.
int32_t parse_signed_decimal(const char *text);

// The same readings on bytes already in the stream's buffer, for readers that
// take a whole line at a time (they leave the stream where they started when
// a line would take a primitive past its end).
//
// The end of the line starting at the stream's position, when the whole line
// is in the buffer; null otherwise.
const char *buffered_line_end(const TraceStream *stream);
// The length of the token read_until_char would give for the n bytes before
// its delimiter: at most 1023, and a NUL ends it.
size_t token_length(const char *bytes, size_t n);
// read_number_field and the line-number reading on the n bytes before the
// delimiter.
uint32_t parse_unsigned_bytes(const char *bytes, size_t n, int base);
int32_t parse_signed_decimal_bytes(const char *bytes, size_t n);
// read_until_text(stream, "\n") on the rest of a line, [from, line_end): the
// text it would return (pointing into the line, or into buffer when escapes
// had to be taken out; buffer holds TOKEN_TEXT_SIZE bytes), and its length.
const size_t TOKEN_TEXT_SIZE = 2000;
const char *line_text(const char *from, const char *line_end, char *buffer, size_t *length);
// line_text, then decode_text_into, in one pass over [from, line_end), for
// the commonest texts: those whose decoding only drops the surrounding
// quotes, or keeps the payload of the character-set form naming UTF-8 (no
// escape left, valid UTF-8, no NUL, at most TOKEN_TEXT_SIZE - 2 bytes); a
// text with an escaped backslash goes on to decode_text_into from the first
// step's result. For those it appends what the two steps append, sets *kept
// to what decode_text_into returns, and returns true; for any other text it
// returns false with nothing appended.
bool decode_line_text_into(const char *from, const char *line_end, ByteBuffer &out, bool *kept);

// Fields read straight off a line in their commonest forms, for readers
// that take whole runs of lines at once.

// Digit values by byte for bases up to 36; 99 for anything else.
constexpr std::array<unsigned char, 256> make_digit_values()
{
    std::array<unsigned char, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[c] = c >= '0' && c <= '9'   ? static_cast<unsigned char>(c - '0')
                    : c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 10)
                    : c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 10)
                                           : 99;
    return values;
}
inline constexpr std::array<unsigned char, 256> digit_values = make_digit_values();

// A number field in its plain form, one to eight hexadecimal digits right
// before its delimiter: the primitives give exactly their value. Then
// true, with p past the delimiter; otherwise false.
inline bool plain_hex_field(const char *&p, const char *end, char delimiter, uint32_t &value)
{
    const char *q = p;
    const char *const last = end - p > 9 ? p + 9 : end;  // eight digits and the delimiter
    uint32_t number = 0;
    for (; q < last; ++q) {
        const unsigned digit = digit_values[static_cast<unsigned char>(*q)];
        if (digit >= 16)
            break;
        number = number << 4 | digit;
    }
    if (q == p || q == last || *q != delimiter)
        return false;
    value = number;
    p = q + 1;
    return true;
}

// The same for one to nine decimal digits.
inline bool plain_decimal_field(const char *&p, const char *end, char delimiter, uint32_t &value)
{
    const char *q = p;
    const char *const last = end - p > 10 ? p + 10 : end;  // nine digits and the delimiter
    uint32_t number = 0;
    for (; q < last && *q >= '0' && *q <= '9'; ++q)
        number = number * 10 + static_cast<uint32_t>(*q - '0');
    if (q == p || q == last || *q != delimiter)
        return false;
    value = number;
    p = q + 1;
    return true;
}

// Reads records straight off the stream's buffer, from its position, while
// read_line(line, end, record) takes the line at line (a two-letter keyword
// and a blank; end is the buffer's end) and gives the position past it, up
// to limit records in records; stops, with the stream before it, at the
// first line that read_line gives null for. Only the records that keep
// holds for go into records.
template <typename Records, typename ReadLine, typename Keep>
void read_line_run(TraceStream *stream, Records &records, size_t limit, ReadLine read_line, Keep keep)
{
    const char *p = reinterpret_cast<const char *>(stream->position);
    const char *const end = reinterpret_cast<const char *>(stream->end);
    // The slots and the count are held here: kept in records, they would be
    // loaded again after every byte a line stores, which may alias them.
    auto *const slots = records.room(limit);
    size_t count = records.size();
    while (count < limit && end - p >= 4 && p[2] == ' ') {
        // Made in place: a record put together field by field on the stack
        // and then copied whole has the copy wait for the narrow stores.
        auto &record = slots[count];
        const char *next = read_line(p, end, record);
        if (!next)
            break;
        if (keep(record))
            ++count;
        p = next;
    }
    records.set_size(count);
    stream->position = reinterpret_cast<const unsigned char *>(p);
}

template <typename Records, typename ReadLine>
void read_line_run(TraceStream *stream, Records &records, size_t limit, ReadLine read_line)
{
    read_line_run(stream, records, limit, read_line, [](const auto &) { return true; });
}

// Whether decode_text_into appends the text just as it stands: a text of
// at least one byte with no quote, no backslash and no byte above ASCII.
bool decodes_to_itself(const char *text, size_t length);
// The closing quote of a plain quoted text at from: a quote, bytes with no
// quote, backslash or NUL among them (and bytes above ASCII only as
// round_trips_unchanged takes them), a quote and the line end, all before
// limit. decode_text_into gives such a text's bytes between the quotes as
// they stand, and line_text those bytes and the closing quote. Null for any
// other text.
const char *plain_quoted_text_end(const char *from, const char *limit);
// Whether the text, taken as UTF-8 into Unicode and back, comes back as it
// is: valid UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF) without a byte-order mark first.
bool round_trips_unchanged(const char *text, size_t length);

// Eight bytes at a time. Whether the first byte in memory is the lowest of a
// word read with memcpy (the word loops find the first byte by counting
// trailing zero bits, so they only run where it is):
inline constexpr bool little_endian_words = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
// A word of eight copies of a byte, and a word with
// 0x80 in each byte of word that is zero and 0 in the others (exact: no
// byte is reported that is not zero).
inline uint64_t byte_copies(unsigned char c)
{
    return 0x0101010101010101ULL * c;
}
inline uint64_t zero_bytes(uint64_t word)
{
    const uint64_t lows = 0x7f7f7f7f7f7f7f7fULL;
    return ~(((word & lows) + lows) | word | lows);
}
