// Escaping and UTF-8 encoding of report texts. Two paths give the same bytes:
// a byte-wise one for texts made of ASCII characters and of UTF-8 characters
// that come back as they are (the common case: identifiers, expressions,
// paths, names in any script) and a general one through QString for
// everything else, which keeps Qt's decoding of the local encoding (invalid
// sequences become U+FFFD) and its exact notion of white space.
#include "report/escape.h"

#include <charconv>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

const char REPLACEMENT[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// QChar::isSpace restricted to ASCII: tab, LF, VT, FF, CR and space.
constexpr bool is_ascii_space(unsigned c)
{
    return c == 0x20 || (c >= 0x09 && c <= 0x0d);
}

// One ASCII character, escaped. Controls other than tab, LF and CR are not
// XML 1.0 characters and become U+FFFD.
inline void append_ascii_char(Markup &out, unsigned c)
{
    switch (c) {
    case '&': out.append("&amp;", 5); return;
    case '"': out.append("&quot;", 6); return;
    case '<': out.append("&lt;", 4); return;
    case '>': out.append("&gt;", 4); return;
    default: break;
    }
    if (c < 0x20 && c != 0x09 && c != 0x0a && c != 0x0d)
        out.append(REPLACEMENT, 3);
    else
        out.push_back(static_cast<char>(c));
}

// Classes of ASCII characters: copied as they are, white space (collapsed
// when simplifying), or mapped one by one by append_ascii_char.
enum : unsigned char { ASCII_PLAIN, ASCII_SPACE, ASCII_MAPPED };

struct AsciiClasses {
    unsigned char of[128];
    constexpr AsciiClasses() : of()
    {
        for (unsigned c = 0; c < 128; ++c) {
            if (is_ascii_space(c))
                of[c] = ASCII_SPACE;
            else if (c < 0x20 || c == '&' || c == '"' || c == '<' || c == '>')
                of[c] = ASCII_MAPPED;
            else
                of[c] = ASCII_PLAIN;
        }
    }
};
constexpr AsciiClasses ascii_classes;

inline void append_run(Markup &out, const char *units, size_t length)
{
    out.append(units, length);
}

inline void append_run(Markup &out, const char16_t *units, size_t length)
{
    char *to = out.extend(length);
    for (size_t i = 0; i < length; ++i)
        to[i] = static_cast<char>(units[i]);
}

// The length of the UTF-8 character at s (left bytes there) when the path
// through QString gives it back as it stands: a valid sequence (no overlong
// form, surrogate or code point above U+10FFFF) of a character that is
// neither white space to QString::simplified nor turned into U+FFFD. To be
// sure of the first, U+0080 to U+00A0, U+1680, U+180E, U+2000 to U+206F and
// U+3000 are all left to that path, as are U+FEFF, U+FFFE and U+FFFF. 0 for
// anything else.
inline size_t kept_utf8_length(const unsigned char *s, size_t left)
{
    const unsigned c = s[0];
    const auto continues = [s, left](size_t count) {
        for (size_t k = 1; k < count; ++k)
            if (k >= left || (s[k] & 0xc0) != 0x80)
                return false;
        return true;
    };
    if (c >= 0xc2 && c <= 0xdf)
        return continues(2) && !(c == 0xc2 && s[1] <= 0xa0) ? 2 : 0;
    if (c >= 0xe0 && c <= 0xef) {
        if (!continues(3))
            return 0;
        const unsigned code = (c & 0x0fu) << 12 | (s[1] & 0x3fu) << 6 | (s[2] & 0x3fu);
        const bool kept = code >= 0x800 && !(code >= 0xd800 && code <= 0xdfff) && code != 0x1680 && code != 0x180e
                          && !(code >= 0x2000 && code <= 0x206f) && code != 0x3000 && code != 0xfeff && code < 0xfffe;
        return kept ? 3 : 0;
    }
    if (c >= 0xf0 && c <= 0xf4) {
        if (!continues(4))
            return 0;
        const unsigned code = (c & 0x07u) << 18 | (s[1] & 0x3fu) << 12 | (s[2] & 0x3fu) << 6 | (s[3] & 0x3fu);
        return code >= 0x10000 && code <= 0x10ffff ? 4 : 0;
    }
    return 0;
}

template <typename Unit>
inline bool is_plain(Unit unit)
{
    const unsigned c = static_cast<unsigned>(unit);
    return c < 0x80 && ascii_classes.of[c] == ASCII_PLAIN;
}

// The run of plain characters and of single spaces each followed by one,
// continued a unit at a time from end (before limit or at it).
template <typename Unit>
const Unit *plain_run_continued(const Unit *end, const Unit *limit)
{
    for (;;) {
        if (end < limit && is_plain(*end))
            ++end;
        else if (end + 1 < limit && *end == ' ' && is_plain(end[1]))
            end += 2;
        else
            return end;
    }
}

// The end of that run from from (a plain character, before limit): the part
// of a text that is copied whole.
const char *plain_run_end(const char *from, const char *limit)
{
    const char *end = from + 1;
#ifdef __SSE2__
    // Sixteen bytes at a time: the bytes that are not plain are those below
    // 0x21 or above 0x7f (both below 0x21 as signed bytes) and & " < >.
    const __m128i below = _mm_set1_epi8(0x21);
    while (limit - end >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(end));
        const __m128i others = _mm_or_si128(
            _mm_or_si128(_mm_cmplt_epi8(bytes, below), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&'))),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>')))));
        const unsigned found = static_cast<unsigned>(_mm_movemask_epi8(others));
        const unsigned spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
        // A space that a plain byte of the same block follows stays in the run.
        const unsigned stops = found & ~(spaces & ~(found >> 1) & 0x7fffu);
        if (!stops) {
            end += 16;
            continue;
        }
        end += __builtin_ctz(stops);
        if (*end == ' ' && end + 1 < limit && is_plain(end[1]))
            end += 2;  // the block's last byte, a space, and a plain byte after the block
        else
            return end;
    }
#endif
    return plain_run_continued(end, limit);
}

// The same for UTF-16 units, a unit at a time.
const char16_t *plain_run_end(const char16_t *from, const char16_t *limit)
{
    return plain_run_continued(from + 1, limit);
}

// The byte-wise path, for 8-bit bytes or UTF-16 units: runs of plain
// characters, with the single spaces between them, are copied whole; in
// 8-bit text, so are the UTF-8 characters that kept_utf8_length keeps. At
// the first other unit of 0x80 or above, out is put back to start_size and
// the answer is false: the text needs the general path. started tells that
// plain characters of the same text were appended just before (see
// append_escaped below).
template <typename Unit>
bool escape_ascii(Markup &out, const Unit *units, size_t length, bool simplify, size_t start_size,
                  bool started)
{
    out.reserve(out.size() + length);
    // When simplifying, leading white space is dropped, inner runs become one
    // space and trailing white space is dropped: a space is only written
    // before the next character that is not white space.
    bool pending_space = false;
    for (size_t i = 0; i < length;) {
        const unsigned c = static_cast<unsigned>(units[i]);
        if (c >= 0x80) {
            size_t kept = 0;
            if constexpr (sizeof(Unit) == 1)
                kept = kept_utf8_length(reinterpret_cast<const unsigned char *>(units + i), length - i);
            if (kept == 0) {
                out.truncate(start_size);
                return false;
            }
            if (pending_space) {
                out.push_back(' ');
                pending_space = false;
            }
            started = true;
            append_run(out, units + i, kept);
            i += kept;
            continue;
        }
        const unsigned char kind = ascii_classes.of[c];
        if (kind == ASCII_SPACE && simplify) {
            pending_space = started;
            ++i;
            continue;
        }
        if (pending_space) {
            out.push_back(' ');
            pending_space = false;
        }
        started = true;
        if (kind != ASCII_PLAIN) {
            append_ascii_char(out, c);
            ++i;
            continue;
        }
        const size_t end = static_cast<size_t>(plain_run_end(units + i, units + length) - units);
        append_run(out, units + i, end - i);
        i = end;
    }
    return true;
}

bool is_ascii(const char16_t *units, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (units[i] >= 0x80)
            return false;
    return true;
}

inline bool is_high_surrogate(char16_t c) { return c >= 0xd800 && c <= 0xdbff; }
inline bool is_low_surrogate(char16_t c) { return c >= 0xdc00 && c <= 0xdfff; }

}  // namespace

void append_escaped_unicode(Markup &out, const QString &text, bool simplify)
{
    const QString source = simplify ? text.simplified() : text;
    const char16_t *units = reinterpret_cast<const char16_t *>(source.constData());
    const size_t length = static_cast<size_t>(source.size());
    out.reserve(out.size() + length);
    // Entities and encoding in one pass: each character is mapped once, which
    // is what replacing & first and then " < > gives.
    for (size_t i = 0; i < length; ++i) {
        const char16_t c = units[i];
        if (c < 0x80) {
            append_ascii_char(out, c);
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xc0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
        } else if (is_high_surrogate(c) && i + 1 < length && is_low_surrogate(units[i + 1])) {
            const char32_t code = 0x10000 + ((char32_t(c) - 0xd800) << 10) + (units[i + 1] - 0xdc00);
            ++i;
            out.push_back(static_cast<char>(0xf0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
        } else if (is_high_surrogate(c) || is_low_surrogate(c) || c == 0xfffe || c == 0xffff) {
            out.append(REPLACEMENT, 3);
        } else {
            out.push_back(static_cast<char>(0xe0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
        }
    }
}

namespace {

// The plain run [text, end) is copied whole; the rest bytes from end are
// escaped after it.
void append_plain_then_escaped(Markup &out, const char *text, const char *end, size_t rest, bool simplify)
{
    const size_t start_size = out.size();
    const size_t plain = static_cast<size_t>(end - text);
    out.append(text, plain);
    if (rest != 0 && !escape_ascii(out, end, rest, simplify, start_size, plain != 0))
        append_escaped_unicode(out, QString::fromLocal8Bit(text, static_cast<qsizetype>(plain + rest)), simplify);
}

}  // namespace

// Most texts are plain characters with single spaces between them: one pass
// finds where that stops and that nothing needs escaping before it, and that
// part is copied whole. The rest of a text that is not is escaped from where
// the pass stopped, after a plain character.
void append_escaped(Markup &out, const char *text, size_t length, bool simplify)
{
    if (!text || length == 0)
        return;
    const char *end = text;
    const char *const limit = text + length;
    if (simplify && is_plain(*end))
        end = plain_run_end(text, limit);
    append_plain_then_escaped(out, text, end, static_cast<size_t>(limit - end), simplify);
}

void append_escaped(Markup &out, const char *text, bool simplify)
{
    if (text)
        append_escaped(out, text, strlen(text), simplify);
}

void append_escaped(Markup &out, const QString &text, bool simplify)
{
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const size_t length = static_cast<size_t>(text.size());
    if (!escape_ascii(out, units, length, simplify, out.size(), false))
        append_escaped_unicode(out, text, simplify);
}

void append_long_number(Markup &out, long long value)
{
    const size_t start = out.size();
    const size_t room = 20;  // "-9223372036854775808"
    char *digits = out.extend(room);
    const auto result = std::to_chars(digits, digits + room, value);
    out.truncate(start + static_cast<size_t>(result.ptr - digits));
}

void append_escaped_joined(Markup &out, const QString &head, const char *tail)
{
    const size_t tail_length = tail ? strlen(tail) : 0;
    const char16_t *units = reinterpret_cast<const char16_t *>(head.constData());
    const size_t head_length = static_cast<size_t>(head.size());
    if (is_ascii(units, head_length)) {
        // Joined first, since a run of white space may span the join.
        thread_local std::string joined;
        joined.assign(units, units + head_length);
        joined.push_back(' ');
        joined.append(tail ? tail : "", tail_length);
        if (escape_ascii(out, joined.data(), joined.size(), true, out.size(), false))
            return;
    }
    const QString text = head + QLatin1Char(' ')
                         + QString::fromLocal8Bit(tail, static_cast<qsizetype>(tail_length));
    append_escaped_unicode(out, text, true);
}
