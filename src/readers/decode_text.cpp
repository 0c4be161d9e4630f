// Turning a trace text into the local 8-bit text the tree stores: the
// optional character-set form ("name" then a quoted payload), conversion
// through Unicode, the surrounding quotes, and backslash escapes.
//
// Plain texts are the bulk of every trace, so a text that is valid UTF-8 and
// cannot be in the character-set form skips the QString round trip: with a
// UTF-8 locale that round trip returns such bytes unchanged. Qt drops a
// leading byte-order mark and replaces invalid sequences, so those texts still
// take the QString path. One look at each byte, eight at a time where none is
// a quote, a backslash or above ASCII, tells which steps a text needs; most
// need none and are copied as they stand.
#include "readers/scan.h"

#include "diagnostics/memory.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>
#include <cstring>
#include <string>
#include <unordered_map>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

bool is_continuation(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool passes_unchanged(const unsigned char *text, size_t length)
{
    if (length >= 3 && text[0] == 0xef && text[1] == 0xbb && text[2] == 0xbf)
        return false;
    size_t i = 0;
    while (i < length) {
        if (length - i >= 8) {  // eight ASCII bytes at a time
            uint64_t word;
            memcpy(&word, text + i, 8);
            if (!(word & 0x8080808080808080ULL)) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = text[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        unsigned char low = 0x80, high = 0xbf;
        if (c >= 0xc2 && c <= 0xdf) {
            extra = 1;
        } else if (c >= 0xe0 && c <= 0xef) {
            extra = 2;
            if (c == 0xe0)
                low = 0xa0;
            else if (c == 0xed)
                high = 0x9f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            extra = 3;
            if (c == 0xf0)
                low = 0x90;
            else if (c == 0xf4)
                high = 0x8f;
        } else {
            return false;
        }
        if (length - i <= extra)
            return false;
        if (text[i + 1] < low || text[i + 1] > high)
            return false;
        for (size_t k = 2; k <= extra; ++k)
            if (!is_continuation(text[i + k]))
                return false;
        i += extra + 1;
    }
    return true;
}

char escaped_control(char c)
{
    switch (c) {
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return 0;
    }
}

const uint64_t highs = 0x8080808080808080ULL;

struct TextTraits {
    bool backslash = false;
    bool high = false;
    int quotes = 0;  // unescaped ones
    size_t quote_at[4] = {0, 0, 0, 0};
};

// Which steps the text needs. Unescaped quotes: a backslash toggles the
// escape flag, anything else clears it. Sixteen or eight bytes at a time,
// looking at single bytes only around backslashes.
TextTraits traits_of(const char *text, size_t length)
{
    TextTraits traits;
    bool escaped = false;
    const auto take = [&traits, &escaped, text](size_t i) {
        const char c = text[i];
        if (c == '\\') {
            traits.backslash = true;
            escaped = !escaped;
            return;
        }
        if (c == '"' && !escaped) {
            if (traits.quotes < 4)
                traits.quote_at[traits.quotes] = i;
            ++traits.quotes;
        }
        traits.high |= static_cast<unsigned char>(c) >= 0x80;
        escaped = false;
    };
    const auto count_quotes = [&traits](size_t at, unsigned found) {
        for (; found; found &= found - 1) {
            if (traits.quotes < 4)
                traits.quote_at[traits.quotes] = at + static_cast<size_t>(__builtin_ctz(found));
            ++traits.quotes;
        }
    };
    size_t i = 0;
#ifdef __SSE2__
    // Sixteen at a time where SSE2 is there, in the same way.
    for (; i + 16 <= length; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        if (escaped || _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')))) {
            for (size_t k = i; k < i + 16; ++k)
                take(k);
            continue;
        }
        traits.high |= _mm_movemask_epi8(bytes) != 0;
        count_quotes(i, static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')))));
    }
#endif
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        memcpy(&word, text + i, 8);
        const uint64_t backslashes = zero_bytes(word ^ byte_copies('\\'));
        if (backslashes || escaped || !little_endian_words) {
            for (size_t k = i; k < i + 8; ++k)
                take(k);
            continue;
        }
        // No escape in force and none begun: every quote counts, and any
        // ordinary byte ends nothing.
        traits.high |= (word & highs) != 0;
        for (uint64_t quotes = zero_bytes(word ^ byte_copies('"')); quotes; quotes &= quotes - 1) {
            if (traits.quotes < 4)
                traits.quote_at[traits.quotes] = i + static_cast<size_t>(__builtin_ctzll(quotes) / 8);
            ++traits.quotes;
        }
    }
    for (; i < length; ++i)
        take(i);
    return traits;
}

// Appends the un-escaped form of local[begin, end) to out; the character
// after a backslash comes from the whole of local (length bytes), so a
// backslash just before a dropped trailing quote escapes that quote.
void append_unescaped(const char *local, size_t length, size_t begin, size_t end, ByteBuffer &out)
{
    size_t i = begin;
    while (i < end) {
        const char *backslash = static_cast<const char *>(memchr(local + i, '\\', end - i));
        const size_t stop = backslash ? static_cast<size_t>(backslash - local) : end;
        out.append(local + i, stop - i);
        i = stop;
        if (i >= end)
            break;
        if (i + 1 >= length) {  // a backslash with nothing after it
            ++i;
            continue;
        }
        const char next = local[i + 1];
        if (const char control = escaped_control(next)) {
            out.push_back(control);
            i += 2;
        } else if (next >= '0' && next <= '7' && i + 3 < length) {
            const unsigned value = (static_cast<unsigned>(next - '0') * 64
                                    + static_cast<unsigned>(static_cast<unsigned char>(local[i + 2]) - '0') * 8
                                    + static_cast<unsigned>(static_cast<unsigned char>(local[i + 3]) - '0'))
                                   & 0xffu;
            out.push_back(static_cast<char>(value));
            i += 4;
        } else {
            out.push_back(next);
            i += 2;
        }
    }
}

// QTextCodec::codecForName of a name, remembered: the look-up compares the
// name with every alias the system knows, and a trace names the same few
// hundred "character sets" (the text between the first two quotes of any
// statement with four) over and over. Codecs live as long as the process.
// A short name's answer is also kept in a small array, by its length and
// end bytes, so that a name asked for again is one comparison of a few bytes
// away (the table's hashing and probing took a few percent of reading static
// traces).
QTextCodec *codec_named(const char *name, size_t length)
{
    struct Recent {
        char name[23];
        uint8_t length;  // 0: not set (an empty name is never kept here)
        QTextCodec *codec;
    };
    thread_local Recent recent[32];
    Recent *kept = nullptr;
    if (length > 0 && length < sizeof recent[0].name) {
        const size_t place = (length + static_cast<unsigned char>(name[0]) * 3
                              + static_cast<unsigned char>(name[length - 1]) * 5) % 32;
        kept = &recent[place];
        if (kept->length == length && memcmp(kept->name, name, length) == 0)
            return kept->codec;
    }
    const size_t most_remembered = 4096;
    thread_local std::unordered_map<std::string, QTextCodec *> known;
    std::string key(name, length);
    QTextCodec *codec;
    if (const auto found = known.find(key); found != known.end()) {
        codec = found->second;
    } else {
        codec = QTextCodec::codecForName(QByteArray(name, static_cast<qsizetype>(length)));
        if (known.size() == most_remembered)
            known.clear();
        known.emplace(std::move(key), codec);
    }
    if (kept) {
        memcpy(kept->name, name, length);
        kept->length = static_cast<uint8_t>(length);
        kept->codec = codec;
    }
    return codec;
}

// Quotes, bytes above ASCII and NULs in length bytes of text, with room
// for sixteen more bytes after them, which are overwritten.
struct TextTally {
    size_t quotes = 0;
    bool high = false;
    bool nul = false;
};

TextTally tally_of(char *text, size_t length)
{
    TextTally tally;
    memset(text + length, 'a', 16);  // neither a quote, nor high, nor NUL
    size_t i = 0;
#ifdef __SSE2__
    // A count per byte position; no text is long enough to carry one past 255.
    __m128i quotes = _mm_setzero_si128(), highs = _mm_setzero_si128(), nuls = _mm_setzero_si128();
    for (; i < length; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        quotes = _mm_sub_epi8(quotes, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')));
        highs = _mm_or_si128(highs, bytes);
        nuls = _mm_or_si128(nuls, _mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
    }
    const __m128i sums = _mm_sad_epu8(quotes, _mm_setzero_si128());
    tally.quotes = static_cast<size_t>(_mm_cvtsi128_si32(sums)) + static_cast<size_t>(_mm_extract_epi16(sums, 4));
    tally.high = _mm_movemask_epi8(highs) != 0;
    tally.nul = _mm_movemask_epi8(nuls) != 0;
#endif
    for (; i < length; ++i) {
        tally.quotes += text[i] == '"';
        tally.high |= static_cast<unsigned char>(text[i]) >= 0x80;
        tally.nul |= text[i] == '\0';
    }
    return tally;
}

// The codec a text in the character-set form names between its first two
// quotes (of the four at quote_at), or the local one for a name unknown.
QTextCodec *codec_of_form(const char *text, const size_t (&quote_at)[4])
{
    QTextCodec *codec = codec_named(text + quote_at[0] + 1, quote_at[1] - quote_at[0] - 1);
    return codec ? codec : QTextCodec::codecForLocale();
}

QTextCodec *utf8_codec()
{
    thread_local QTextCodec *const utf8 = QTextCodec::codecForName("UTF-8");
    return utf8;
}

// decode_text_into in one pass, for the texts where decoding takes out
// escapes and drops the surrounding quotes and nothing else: runs between
// backslashes are copied sixteen bytes at a time while their unescaped
// quotes and bytes above ASCII are looked at. False, with nothing appended,
// for any other text: one with a third unescaped quote before its last byte
// (among them the character-set form, four quotes), with bytes above ASCII
// that are not valid UTF-8, or with an octal escape whose digits are not all
// octal (the quote count and the unescaping read those differently; among
// them an escape that takes in the closing quote). Otherwise true, with
// *kept what decode_text_into returns.
bool decode_in_one_pass(const char *text, size_t length, ByteBuffer &out, bool *kept)
{
    if (length == 0) {
        *kept = false;
        return true;
    }
    size_t end = length;
    if (text[end - 1] == '"')
        --end;
    const size_t begin = end > 0 && text[0] == '"' ? 1 : 0;
    const size_t at = out.size();
    char *const to = out.extend(end - begin + 16);
    size_t count = 0, quotes = begin;
    bool high = false, backslash = false;
    const auto give_up = [&out, at] {
        out.truncate(at);
        return false;
    };
    size_t i = begin;
    while (i < end) {
        const size_t left = end - i;
        unsigned backslashes, quote_bits, high_bits;
        size_t run;
#ifdef __SSE2__
        __m128i bytes;
        if (left >= 16) {
            bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        } else {
            // The last bytes, through a block of sixteen; what follows
            // them there counts for nothing.
            alignas(16) char block[16] = {};
            ByteBuffer::copy_bytes(block, text + i, left);
            bytes = _mm_load_si128(reinterpret_cast<const __m128i *>(block));
        }
        // Stored whole: the bytes past the run are written again later, or
        // lie past the text in the room taken for it.
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + count), bytes);
        const unsigned present = left >= 16 ? 0xffffu : (1u << left) - 1;
        backslashes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')))) & present;
        quote_bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'))));
        high_bits = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        run = backslashes ? static_cast<size_t>(__builtin_ctz(backslashes)) : (left < 16 ? left : 16);
#else
        backslashes = quote_bits = high_bits = 0;
        run = 0;
        while (run < left && run < 16 && text[i + run] != '\\') {
            const char c = text[i + run];
            to[count + run] = c;
            quote_bits |= static_cast<unsigned>(c == '"') << run;
            high_bits |= static_cast<unsigned>(static_cast<unsigned char>(c) >= 0x80) << run;
            ++run;
        }
        backslashes = run < left && run < 16;
#endif
        const unsigned in_run = (1u << run) - 1;  // run is at most 16
        for (unsigned found = quote_bits & in_run; found; found &= found - 1)  // seldom any
            ++quotes;
        // Four unescaped quotes make the character-set form; the third, most
        // likely its payload's opening, sends a text to the general steps at
        // once. So no text taken here has four, the closing one included.
        if (quotes >= 3)
            return give_up();
        high |= (high_bits & in_run) != 0;
        count += run;
        i += run;
        if (!backslashes)
            continue;
        // An escape at i, read as append_unescaped reads it.
        backslash = true;
        if (i + 1 >= length) {
            ++i;
            continue;
        }
        const char next = text[i + 1];
        if (const char control = escaped_control(next)) {
            to[count++] = control;
            i += 2;
        } else if (next >= '0' && next <= '7' && i + 3 < length) {
            const char second = text[i + 2], third = text[i + 3];
            if (second < '0' || second > '7' || third < '0' || third > '7')
                return give_up();
            to[count++] = static_cast<char>(((next - '0') * 64 + (second - '0') * 8 + (third - '0')) & 0xff);
            i += 4;
        } else {
            to[count++] = next;
            high |= static_cast<unsigned char>(next) >= 0x80;
            i += 2;
        }
    }
    if (high && !passes_unchanged(reinterpret_cast<const unsigned char *>(text), length))
        return give_up();
    // An octal escape can give a NUL: the text ends there.
    if (backslash) {
        if (const void *nul = memchr(to, '\0', count))
            count = static_cast<size_t>(static_cast<const char *>(nul) - to);
    }
    out.truncate(at + count);
    *kept = true;
    return true;
}

}  // namespace

bool round_trips_unchanged(const char *text, size_t length)
{
    return passes_unchanged(reinterpret_cast<const unsigned char *>(text), length);
}

bool decode_text_into(const char *text, size_t length, ByteBuffer &out)
{
    const TextTraits traits = traits_of(text, length);

    QByteArray converted;
    bool through_unicode = false;
    const char *payload = nullptr;  // a payload that converts to itself
    size_t payload_length = 0;
    if (traits.quotes == 4) {
        QTextCodec *codec = codec_of_form(text, traits.quote_at);
        const char *bytes = text + traits.quote_at[2];
        const size_t count = traits.quote_at[3] - traits.quote_at[2];
        // Local 8-bit text is UTF-8 here, so a UTF-8 payload that is valid
        // (it starts with the quote, so no byte-order mark) comes back as it
        // is from the round trip through Unicode.
        if (codec == utf8_codec() && passes_unchanged(reinterpret_cast<const unsigned char *>(bytes), count)) {
            payload = bytes;
            payload_length = count;
        } else {
            converted = codec->toUnicode(bytes, static_cast<int>(count)).toLocal8Bit();
        }
        through_unicode = true;
    } else if (traits.high && !passes_unchanged(reinterpret_cast<const unsigned char *>(text), length)) {
        converted = QString::fromUtf8(text, static_cast<qsizetype>(length)).toLocal8Bit();
        through_unicode = true;
    }
    const char *local = text;
    bool has_backslash = traits.backslash;
    if (payload) {
        local = payload;
        length = payload_length;
        has_backslash = memchr(local, '\\', length) != nullptr;
    } else if (through_unicode) {
        local = converted.constData();
        length = static_cast<size_t>(converted.size());
        has_backslash = memchr(local, '\\', length) != nullptr;
    }
    if (length == 0)
        return false;

    size_t end = length;
    if (local[end - 1] == '"')
        --end;
    const size_t begin = end > 0 && local[0] == '"' ? 1 : 0;
    if (!has_backslash && !through_unicode) {
        out.append(local + begin, end - begin);  // no NUL can be among them
        return true;
    }
    // An octal escape, or a conversion, can give a NUL: the text ends there.
    const size_t start = out.size();
    append_unescaped(local, length, begin, end, out);
    if (const void *nul = memchr(out.data() + start, '\0', out.size() - start))
        out.truncate(static_cast<size_t>(static_cast<const char *>(nul) - out.data()));
    return true;
}

bool decode_escaped_text_into(const char *text, size_t length, ByteBuffer &out)
{
    bool kept;
    if (decode_in_one_pass(text, length, out, &kept))
        return kept;
    return decode_text_into(text, length, out);
}

char *decode_text(const char *trace_text)
{
    if (!trace_text)
        return nullptr;
    ByteBuffer decoded;
    if (!decode_text_into(trace_text, strlen(trace_text), decoded))
        return nullptr;
    return mem_strndup(decoded.data(), decoded.size());
}

bool decode_line_text_into(const char *from, const char *line_end, ByteBuffer &out, bool *kept)
{
    // Longer lines are cut by line_text; the two steps take those.
    const size_t raw = static_cast<size_t>(line_end - from);
    if (raw > TOKEN_TEXT_SIZE - 2)
        return false;
    // line_text's text is the line less its backslashes (one right before
    // the line end ends the text, which comes to the same), each taking the
    // byte after it as it stands: two in a row leave one backslash, for
    // decoding to take out.
    const size_t at = out.size();
    char *const to = out.extend(raw + 16);  // and room to look at the text in blocks
    size_t count = 0;
    const char *p = from;
    const auto give_up = [&out, at] {
        out.truncate(at);
        return false;
    };
    bool kept_backslash = false;  // line_text's text then holds a backslash
    while (p < line_end) {
        size_t run;
        bool backslash;
#ifdef __SSE2__
        if (raw >= 16) {
            // Sixteen bytes at a time, up to the first backslash; the last
            // ones of the line are loaded with the bytes before them, which
            // are left out.
            const size_t left = static_cast<size_t>(line_end - p);
            const char *const base = left >= 16 ? p : line_end - 16;
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(base));
            const unsigned backslashes =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')))) >> (p - base);
            backslash = backslashes != 0;
            run = backslash ? static_cast<size_t>(__builtin_ctz(backslashes)) : left < 16 ? left : 16;
            if (left >= 16)
                _mm_storeu_si128(reinterpret_cast<__m128i *>(to + count), bytes);
            else
                ByteBuffer::copy_bytes(to + count, p, run);
        } else
#endif
        {
            backslash = *p == '\\';
            run = backslash ? 0 : 1;
            to[count] = *p;
        }
        count += run;
        p += run;
        if (backslash) {
            // Dropped; the byte after it is kept with the bytes that follow,
            // a backslash too, which then escapes nothing here.
            if (++p == line_end)
                break;
            if (*p == '\\') {
                to[count++] = '\\';
                ++p;
                kept_backslash = true;
            }
        }
    }
    // line_text drops the last byte.
    if (count == 0 || --count == 0) {
        out.truncate(at);
        *kept = false;
        return true;
    }
    if (kept_backslash) {
        // Escapes for decoding to take out (an escaped backslash, about one
        // statement in ten with escapes): the text as line_text gives it,
        // cut at a NUL, goes through the general decoding, without reading
        // the line a second time.
        char text[TOKEN_TEXT_SIZE];
        if (const void *nul = memchr(to, '\0', count))
            count = static_cast<size_t>(static_cast<const char *>(nul) - to);
        memcpy(text, to, count);
        out.truncate(at);
        *kept = decode_text_into(text, count, out);
        return true;
    }
    // What decoding needs to know of the text: its quotes, whether any byte
    // is above ASCII, and whether a NUL ends it early (the two steps then).
    const TextTally tally = tally_of(to, count);
    if (tally.nul)
        return give_up();
    size_t begin = 0, end = count;
    if (tally.quotes == 4) {
        // The character-set form: only a UTF-8 payload that is valid comes
        // through it unchanged.
        size_t quote_at[4];
        for (size_t i = 0, found = 0; found < 4; ++i) {
            if (to[i] == '"')
                quote_at[found++] = i;
        }
        if (codec_of_form(to, quote_at) != utf8_codec()
            || !passes_unchanged(reinterpret_cast<const unsigned char *>(to + quote_at[2]), quote_at[3] - quote_at[2]))
            return give_up();
        begin = quote_at[2] + 1;
        end = quote_at[3];
    } else {
        if (tally.high && !passes_unchanged(reinterpret_cast<const unsigned char *>(to), count))
            return give_up();
        if (to[end - 1] == '"')
            --end;
        begin = end > 0 && to[0] == '"' ? 1 : 0;
    }
    if (begin)
        memmove(to, to + begin, end - begin);
    out.truncate(at + end - begin);
    *kept = true;
    return true;
}
