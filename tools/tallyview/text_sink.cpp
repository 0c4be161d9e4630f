// Escaping works on the UTF-8 bytes: every character that needs an entity is
// ASCII, so runs of other bytes are copied in one append.
#include "text_sink.h"

#include <QIODevice>

namespace {

const qsizetype FLUSH_SIZE = 1 << 16;
const char REPLACEMENT[] = "\xEF\xBF\xBD";  // U+FFFD

void maybe_flush(text_sink &sink)
{
    if (sink.buffer.size() >= FLUSH_SIZE)
        sink_flush(sink);
}

// The entity for one byte, or nullptr when the byte is copied as it is.
const char *replacement_for(unsigned char c, bool attribute)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&#39;";
    case '\t': return attribute ? "&#9;" : nullptr;
    case '\n': return attribute ? "&#10;" : nullptr;
    case '\r': return attribute ? "&#13;" : nullptr;
    default: break;
    }
    return c < 0x20 ? REPLACEMENT : nullptr;
}

void append_escaped(text_sink &sink, const QString &text, bool attribute)
{
    const QByteArray utf8 = text.toUtf8();
    const char *data = utf8.constData();
    const qsizetype size = utf8.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char *entity = replacement_for(static_cast<unsigned char>(data[i]), attribute);
        if (!entity)
            continue;
        sink.buffer.append(data + start, i - start);
        sink.buffer.append(entity);
        start = i + 1;
    }
    sink.buffer.append(data + start, size - start);
    maybe_flush(sink);
}

}  // namespace

void sink_literal(text_sink &sink, const char *markup)
{
    sink.buffer.append(markup);
    maybe_flush(sink);
}

void sink_bytes(text_sink &sink, const QByteArray &bytes)
{
    sink.buffer.append(bytes);
    maybe_flush(sink);
}

void sink_number(text_sink &sink, long long value)
{
    sink.buffer.append(QByteArray::number(value));
    maybe_flush(sink);
}

void sink_text(text_sink &sink, const QString &text)
{
    append_escaped(sink, text, false);
}

void sink_attribute(text_sink &sink, const QString &text)
{
    append_escaped(sink, text, true);
}

void sink_json(text_sink &sink, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const char *data = utf8.constData();
    const qsizetype size = utf8.size();
    sink.buffer.append('"');
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        sink.buffer.append(data + start, i - start);
        if (c == '"' || c == '\\') {
            sink.buffer.append('\\');
            sink.buffer.append(static_cast<char>(c));
        } else {
            static const char hex[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            sink.buffer.append(escape, sizeof escape);
        }
        start = i + 1;
    }
    sink.buffer.append(data + start, size - start);
    sink.buffer.append('"');
    maybe_flush(sink);
}

bool sink_flush(text_sink &sink)
{
    // A short write is followed by another, which then fails with the
    // device's reason (a full disk, a file-size limit) for the message.
    const char *data = sink.buffer.constData();
    qsizetype left = sink.buffer.size();
    while (left > 0 && !sink.failed && sink.device) {
        const qint64 written = sink.device->write(data, left);
        if (written <= 0)
            sink.failed = true;
        else
            data += written, left -= written;
    }
    sink.buffer.resize(0);  // keeps the capacity for the next block
    return !sink.failed;
}
