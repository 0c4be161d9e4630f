// The JSON text is gathered in the input sink's buffer (which hands it to a
// small QIODevice here rather than to a file); each block is compressed with
// zlib and the output is base64-encoded, carrying over the one or two bytes
// that do not fill a group of three to the next block.
#include "packed_sink.h"

#include <QIODevice>
#include <zlib.h>

struct packed_sink_state : QIODevice {
    text_sink *out = nullptr;
    z_stream stream{};
    QByteArray carry;      // compressed bytes not yet a multiple of three
    QByteArray compressed;

    // Level 6 costs twice the time of level 3 for a page some 8% smaller.
    packed_sink_state() { deflateInit(&stream, 3); }
    ~packed_sink_state() override { deflateEnd(&stream); }

    void emit_base64(bool last)
    {
        carry.append(compressed);
        compressed.resize(0);
        const qsizetype whole = last ? carry.size() : carry.size() / 3 * 3;
        if (whole == 0)
            return;
        sink_bytes(*out, carry.left(whole).toBase64());
        carry.remove(0, whole);
    }

    void compress(const char *data, qint64 size, int flush)
    {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        stream.avail_in = static_cast<uInt>(size);
        unsigned char block[1 << 16];
        do {
            stream.next_out = block;
            stream.avail_out = sizeof block;
            deflate(&stream, flush);
            compressed.append(reinterpret_cast<const char *>(block),
                              static_cast<qsizetype>(sizeof block - stream.avail_out));
        } while (stream.avail_out == 0);
        emit_base64(flush == Z_FINISH);
    }

    qint64 writeData(const char *data, qint64 size) override
    {
        compress(data, size, Z_NO_FLUSH);
        return size;
    }
    qint64 readData(char *, qint64) override { return -1; }
};

void packed_open(packed_sink &packed, text_sink &out)
{
    packed.state = std::make_shared<packed_sink_state>();
    packed.state->out = &out;
    packed.state->open(QIODevice::WriteOnly);
    packed.input.device = packed.state.get();
}

void packed_close(packed_sink &packed)
{
    sink_flush(packed.input);
    packed.state->compress(nullptr, 0, Z_FINISH);
    packed.input.device = nullptr;
    packed.state.reset();
}
