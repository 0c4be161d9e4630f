// Token-level scanning of trace files: reading up to a delimiter character or
// a terminator string, number fields, blanks before a quoted field, and
// picking one field out of a line. Every loop reads through the inline
// trace_getc, so no byte costs a call into the C library.
#include "readers/scan.h"

#include "diagnostics/memory.h"

#include <array>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

const size_t char_token_limit = 1023;
const size_t text_buffer_size = 2000;

// A new token of the stored bytes; a NUL byte read from the trace ends it.
char *copy_token(const char *bytes, size_t length)
{
    const void *nul = memchr(bytes, '\0', length);
    if (nul)
        length = static_cast<const char *>(nul) - bytes;
    return mem_strndup(bytes, length);
}

int digit_value(char c)
{
    return digit_values[static_cast<unsigned char>(c)];
}

bool is_c_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

size_t read_token_into(TraceStream *stream, int delimiter, char *token)
{
    size_t count = 0;
    // A NUL byte read from the trace ends the token: storing stops there.
    size_t room = char_token_limit;
    const unsigned char wanted = static_cast<unsigned char>(delimiter & 0xff);
    while (trace_more(stream)) {
        const unsigned char *p = stream->position;
        const unsigned char *const end = stream->end;
        while (p < end) {
            const unsigned char c = *p++;
            if (c == wanted) {
                stream->position = p;
                token[count] = '\0';
                return count;
            }
            if (c == '\n')
                continue;
            if (c == '\0' && room > count)
                room = count;
            if (count < room)
                token[count++] = static_cast<char>(c);
        }
        stream->position = end;
    }
    token[count] = '\0';
    return count;
}

void skip_until_char(TraceStream *stream, int delimiter)
{
    const unsigned char wanted = static_cast<unsigned char>(delimiter & 0xff);
    while (trace_more(stream)) {
        const size_t available = static_cast<size_t>(stream->end - stream->position);
        if (const void *hit = memchr(stream->position, wanted, available)) {
            stream->position = static_cast<const unsigned char *>(hit) + 1;
            return;
        }
        stream->position = stream->end;
    }
}

char *read_until_char(TraceStream *stream, int delimiter)
{
    char token[char_token_limit + 1];
    const size_t length = read_token_into(stream, delimiter, token);
    return mem_strndup(token, length);
}

namespace {

// read_until_text for the terminator "\n", a whole run at a time: newlines
// are never stored, so the line ends at the first newline, escaped or not,
// and the last stored character is dropped as the terminator's length.
char *read_line_text(TraceStream *stream)
{
    const size_t limit = text_buffer_size - 2;
    char stored[text_buffer_size];
    size_t count = 0;
    const auto store = [&](const unsigned char *from, size_t length) {
        const size_t part = length < limit - count ? length : limit - count;
        memcpy(stored + count, from, part);
        count += part;
    };
    while (trace_more(stream)) {
        const unsigned char *p = stream->position;
        const unsigned char *const end = stream->end;
        const void *newline = memchr(p, '\n', static_cast<size_t>(end - p));
        const unsigned char *stop = newline ? static_cast<const unsigned char *>(newline) : end;
        const void *backslash = memchr(p, '\\', static_cast<size_t>(stop - p));
        if (!backslash) {
            store(p, static_cast<size_t>(stop - p));
            if (newline) {
                stream->position = stop + 1;
                break;
            }
            stream->position = end;
            continue;
        }
        const unsigned char *at = static_cast<const unsigned char *>(backslash);
        store(p, static_cast<size_t>(at - p));
        stream->position = at + 1;
        const int escaped = trace_getc(stream);  // taken as it stands
        if (escaped < 0 || escaped == '\n')
            break;
        const unsigned char byte = static_cast<unsigned char>(escaped);
        store(&byte, 1);
    }
    count = count < 1 ? 0 : count - 1;
    return copy_token(stored, count);
}

}  // namespace

char *read_until_text(TraceStream *stream, const char *terminator)
{
    if (terminator[0] == '\n' && terminator[1] == '\0')
        return read_line_text(stream);
    const size_t terminator_length = strlen(terminator);
    const size_t limit = terminator_length < text_buffer_size - 1
                             ? text_buffer_size - 1 - terminator_length : 0;
    char stored[text_buffer_size];
    size_t count = 0;
    size_t window = 0;
    for (;;) {
        int c = trace_getc(stream);
        if (c == '\\')
            c = trace_getc(stream);
        if (c >= 0) {
            if (c != '\n' && count < limit)
                stored[count++] = static_cast<char>(c);
            if (window < terminator_length && c == static_cast<unsigned char>(terminator[window])) {
                ++window;
            } else {
                window = 0;
                if (terminator_length > 0 && c == static_cast<unsigned char>(terminator[0]))
                    window = 1;
            }
        }
        if (window == terminator_length || trace_eof(stream))
            break;
    }
    count = count < terminator_length ? 0 : count - terminator_length;
    return copy_token(stored, count);
}

namespace {

// Steps over leading blanks and an optional sign, as strtoul and atoi do;
// the text ends at end or at a NUL.
const char *skip_blanks_and_sign(const char *p, const char *end, bool *negative)
{
    while (p < end && is_c_space(*p))
        ++p;
    *negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    return p;
}

uint32_t parse_unsigned_range(const char *p, const char *end, int base)
{
    bool negative;
    p = skip_blanks_and_sign(p, end, &negative);
    if (base == 16 && end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit_value(p[2]) < 16)
        p += 2;
    uint64_t value = 0;
    bool overflow = false;
    for (int digit; p < end && (digit = digit_value(*p)) < base; ++p) {
        value = value * base + digit;
        if (value > 0xffffffffu) {
            overflow = true;
            value = 0xffffffffu;
        }
    }
    if (overflow)
        return 0xffffffffu;
    const uint32_t result = static_cast<uint32_t>(value);
    return negative ? 0u - result : result;
}

int32_t parse_signed_decimal_range(const char *p, const char *end)
{
    bool negative;
    p = skip_blanks_and_sign(p, end, &negative);
    int64_t value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > int64_t(1) << 31)
            value = int64_t(1) << 31;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

}  // namespace

uint32_t parse_unsigned_field(const char *text, int base)
{
    return parse_unsigned_range(text, text + strlen(text), base);
}

int32_t parse_signed_decimal(const char *text)
{
    return parse_signed_decimal_range(text, text + strlen(text));
}

uint32_t read_number_field(TraceStream *stream, int delimiter, int base)
{
    char token[TOKEN_BUFFER_SIZE];
    read_token_into(stream, delimiter, token);
    return parse_unsigned_field(token, base);
}

void skip_past_spaces(TraceStream *stream)
{
    while (trace_getc(stream) == ' ') {
    }
}

char *nth_field(const char *text, char separator, int n)
{
    if (!text || n < 1)
        return nullptr;
    if (*text == '\0')
        return mem_strdup("");
    if (separator == '\0')
        return n == 1 ? mem_strdup(text) : nullptr;
    const char *start = text;
    for (int skipped = 1; skipped < n; ++skipped) {
        const char *next = strchr(start, separator);
        if (!next)
            return nullptr;
        start = next + 1;
    }
    if (n > 1 && *start == '\0')
        return nullptr;
    const char *stop = strchr(start, separator);
    return mem_strndup(start, stop ? static_cast<size_t>(stop - start) : strlen(start));
}

const char *buffered_line_end(const TraceStream *stream)
{
    const size_t available = static_cast<size_t>(stream->end - stream->position);
    return static_cast<const char *>(memchr(stream->position, '\n', available));
}

size_t token_length(const char *bytes, size_t n)
{
    if (n > char_token_limit)
        n = char_token_limit;
    const void *nul = memchr(bytes, '\0', n);
    return nul ? static_cast<size_t>(static_cast<const char *>(nul) - bytes) : n;
}

// A NUL, which no digit, blank or sign is, stops the parsers where it would
// end the token; only the 1023-byte limit needs applying.
uint32_t parse_unsigned_bytes(const char *bytes, size_t n, int base)
{
    return parse_unsigned_range(bytes, bytes + (n < char_token_limit ? n : char_token_limit), base);
}

int32_t parse_signed_decimal_bytes(const char *bytes, size_t n)
{
    return parse_signed_decimal_range(bytes, bytes + (n < char_token_limit ? n : char_token_limit));
}

const char *line_text(const char *from, const char *line_end, char *buffer, size_t *length)
{
    // As read_line_text: at most text_buffer_size - 2 bytes stored, the last
    // one dropped, a NUL ends the text.
    const size_t limit = text_buffer_size - 2;
    const char *text = from;
    size_t count;
    const void *backslash = memchr(from, '\\', static_cast<size_t>(line_end - from));
    if (!backslash) {
        count = static_cast<size_t>(line_end - from);
        if (count > limit)
            count = limit;
    } else {
        // Each backslash is dropped and the byte after it kept as it stands;
        // one right before the line end ends the text there. Escapes come
        // every few bytes, so the bytes between them are moved eight at a
        // time here rather than by a call per run.
        const char *p = static_cast<const char *>(backslash);
        count = static_cast<size_t>(p - from) < limit ? static_cast<size_t>(p - from) : limit;
        memcpy(buffer, from, count);
        while (p < line_end && count < limit) {
            if (*p == '\\') {
                if (p + 1 == line_end)
                    break;
                buffer[count++] = p[1];
                p += 2;
                continue;
            }
            if (line_end - p >= 8 && limit - count >= 8) {
                uint64_t word;
                memcpy(&word, p, 8);
                const uint64_t backslashes = zero_bytes(word ^ byte_copies('\\'));
                // Up to the next backslash, or all eight when there is none.
                const size_t run = backslashes && little_endian_words
                                       ? static_cast<size_t>(__builtin_ctzll(backslashes) / 8)
                                       : backslashes ? 0 : 8;
                if (run) {
                    memcpy(buffer + count, &word, 8);
                    count += run;
                    p += run;
                    continue;
                }
            }
            buffer[count++] = *p++;
        }
        text = buffer;
    }
    count = count < 1 ? 0 : count - 1;
    if (const void *nul = memchr(text, '\0', count))
        count = static_cast<size_t>(static_cast<const char *>(nul) - text);
    *length = count;
    return text;
}

bool decodes_to_itself(const char *text, size_t length)
{
    if (length == 0)
        return false;
    if (!little_endian_words || length < 4) {
        for (size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c == '"' || c == '\\' || c >= 0x80)
                return false;
        }
        return true;
    }
    // Eight bytes at a time, the last word loaded so that it ends with the
    // text (overlapping the one before); four and four for shorter texts.
    const auto special = [](uint64_t word) {
        return zero_bytes(word ^ byte_copies('"')) | zero_bytes(word ^ byte_copies('\\'))
               | (word & 0x8080808080808080ULL);
    };
    if (length < 8) {
        uint32_t first, last;
        memcpy(&first, text, 4);
        memcpy(&last, text + length - 4, 4);
        return !special(first) && !special(last);
    }
    uint64_t word;
    for (size_t i = 0; i + 8 < length; i += 8) {
        memcpy(&word, text + i, 8);
        if (special(word))
            return false;
    }
    memcpy(&word, text + length - 8, 8);
    return !special(word);
}

const char *plain_quoted_text_end(const char *from, const char *limit)
{
    if (from >= limit || *from != '"')
        return nullptr;
    const char *at = from + 1;
    bool high = false;  // a byte above ASCII before at
    const auto special = [](unsigned char c) { return c == '"' || c == '\\' || c == '\n' || c == 0; };
#ifdef __SSE2__
    const __m128i quotes = _mm_set1_epi8('"'), backslashes = _mm_set1_epi8('\\'), newlines = _mm_set1_epi8('\n');
    const __m128i nuls = _mm_setzero_si128();
    for (; at + 16 <= limit; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        const unsigned found = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quotes), _mm_cmpeq_epi8(bytes, backslashes)),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, newlines), _mm_cmpeq_epi8(bytes, nuls)))));
        const unsigned highs = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        if (found) {
            const unsigned before = (found & (0u - found)) - 1;
            high |= (highs & before) != 0;
            at += __builtin_ctz(found);
            goto end_found;
        }
        high |= highs != 0;
    }
#endif
    if (little_endian_words) {
        for (; at + 8 <= limit; at += 8) {
            uint64_t word;
            memcpy(&word, at, 8);
            const uint64_t found = zero_bytes(word ^ byte_copies('"')) | zero_bytes(word ^ byte_copies('\\'))
                                   | zero_bytes(word ^ byte_copies('\n')) | zero_bytes(word);
            const uint64_t highs = word & 0x8080808080808080ULL;
            if (found) {
                high |= (highs & ((found & (0 - found)) - 1)) != 0;
                at += __builtin_ctzll(found) / 8;
                goto end_found;
            }
            high |= highs != 0;
        }
    }
    while (at < limit && !special(static_cast<unsigned char>(*at))) {
        high |= static_cast<unsigned char>(*at) >= 0x80;
        ++at;
    }
end_found:
    if (!(at + 1 < limit && at[0] == '"' && at[1] == '\n'))
        return nullptr;
    // Bytes above ASCII come through decoding as they stand only as valid
    // UTF-8, without a byte-order mark first.
    if (high && !round_trips_unchanged(from + 1, static_cast<size_t>(at - (from + 1))))
        return nullptr;
    return at;
}
