// Turning a trace text into the local 8-bit text the tree stores: the
// optional character-set form ("name" then a quoted payload), conversion
// through Unicode, the surrounding quotes, and backslash escapes.
//
// Plain texts are the bulk of every trace, so a text that is valid UTF-8 and
// cannot be in the character-set form skips the QString round trip: with a
// UTF-8 locale that round trip returns such bytes unchanged. Qt drops a
// leading byte-order mark and replaces invalid sequences, so those texts still
// take the QString path.
#include "readers/scan.h"

#include "diagnostics/memory.h"

#include <QByteArray>
#include <QString>
#include <QTextCodec>
#include <array>
#include <cstring>

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

// Bytes that decode to themselves whatever surrounds them; NUL is not one.
constexpr std::array<bool, 256> make_plain_ascii()
{
    std::array<bool, 256> accepts{};
    for (int c = 0; c < 256; ++c)
        accepts[c] = c > 0 && c < 0x80 && c != '"' && c != '\\';
    return accepts;
}
constexpr std::array<bool, 256> plain_ascii = make_plain_ascii();

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

}  // namespace

char *decode_text(const char *trace_text)
{
    if (!trace_text)
        return nullptr;
    // Most texts hold no quote, backslash or byte above ASCII: every step
    // below would give them back unchanged.
    size_t plain = 0;
    while (plain_ascii[static_cast<unsigned char>(trace_text[plain])])
        ++plain;
    if (trace_text[plain] == '\0')
        return plain ? mem_strndup(trace_text, plain) : nullptr;
    const size_t trace_length = plain + strlen(trace_text + plain);

    // Unescaped quotes: a backslash toggles the escape flag, anything else
    // clears it.
    size_t quote_at[4] = {0, 0, 0, 0};
    int quotes = 0;
    bool escaped = false;
    for (size_t i = 0; i < trace_length; ++i) {
        const char c = trace_text[i];
        if (c == '\\') {
            escaped = !escaped;
        } else {
            if (c == '"' && !escaped) {
                if (quotes < 4)
                    quote_at[quotes] = i;
                ++quotes;
            }
            escaped = false;
        }
    }

    QByteArray converted;
    const char *local = trace_text;
    size_t length = trace_length;
    if (quotes == 4) {
        const QByteArray name(trace_text + quote_at[0] + 1,
                              static_cast<qsizetype>(quote_at[1] - quote_at[0] - 1));
        QTextCodec *codec = QTextCodec::codecForName(name);
        if (!codec)
            codec = QTextCodec::codecForLocale();
        converted = codec->toUnicode(trace_text + quote_at[2],
                                     static_cast<int>(quote_at[3] - quote_at[2]))
                        .toLocal8Bit();
        local = converted.constData();
        length = static_cast<size_t>(converted.size());
    } else if (!passes_unchanged(reinterpret_cast<const unsigned char *>(trace_text),
                                 trace_length)) {
        converted = QString::fromUtf8(trace_text, static_cast<qsizetype>(trace_length))
                        .toLocal8Bit();
        local = converted.constData();
        length = static_cast<size_t>(converted.size());
    }
    if (length == 0)
        return nullptr;

    size_t end = length;
    if (local[end - 1] == '"')
        --end;
    size_t i = end > 0 && local[0] == '"' ? 1 : 0;

    // The character after a backslash comes from the whole converted text,
    // so a backslash just before a dropped trailing quote escapes that quote.
    char *result = static_cast<char *>(mem_alloc(end - i + 1));
    size_t out = 0;
    while (i < end) {
        const char c = local[i];
        if (c != '\\') {
            result[out++] = c;
            ++i;
            continue;
        }
        if (i + 1 >= length) {  // a backslash with nothing after it
            ++i;
            continue;
        }
        const char next = local[i + 1];
        if (const char control = escaped_control(next)) {
            result[out++] = control;
            i += 2;
        } else if (next >= '0' && next <= '7' && i + 3 < length) {
            const unsigned value = (static_cast<unsigned>(next - '0') * 64
                                    + static_cast<unsigned>(static_cast<unsigned char>(local[i + 2]) - '0') * 8
                                    + static_cast<unsigned>(static_cast<unsigned char>(local[i + 3]) - '0'))
                                   & 0xffu;
            result[out++] = static_cast<char>(value);
            i += 4;
        } else {
            result[out++] = next;
            i += 2;
        }
    }
    result[out] = '\0';  // an octal escape giving 0 ends the text there
    return result;
}
