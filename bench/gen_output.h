// Buffered line writer for generated traces. Numbers are formatted by hand and
// bytes copied into one large buffer that is flushed with fwrite, so writing
// hundreds of megabytes costs little more than the disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

struct trace_writer {
    FILE *file = nullptr;
    char *buffer = nullptr;
    size_t used = 0;
    uint64_t flushed = 0; // bytes already handed to fwrite
    uint64_t lines = 0;
    bool failed = false;
};

constexpr size_t WRITER_BUFFER_SIZE = 1 << 20;

bool writer_open(trace_writer &w, const std::string &path);
void writer_flush(trace_writer &w);
// Flushes and closes; false when any write failed.
bool writer_close(trace_writer &w);

inline uint64_t writer_bytes(const trace_writer &w)
{
    return w.flushed + w.used;
}

inline void put_bytes(trace_writer &w, const char *text, size_t length)
{
    if (w.used + length > WRITER_BUFFER_SIZE)
        writer_flush(w);
    if (length > WRITER_BUFFER_SIZE) {
        if (fwrite(text, 1, length, w.file) != length)
            w.failed = true;
        w.flushed += length;
        return;
    }
    memcpy(w.buffer + w.used, text, length);
    w.used += length;
}

inline void put_text(trace_writer &w, const char *text)
{
    put_bytes(w, text, strlen(text));
}

inline void put_text(trace_writer &w, const std::string &text)
{
    put_bytes(w, text.data(), text.size());
}

inline void put_char(trace_writer &w, char c)
{
    if (w.used == WRITER_BUFFER_SIZE)
        writer_flush(w);
    w.buffer[w.used++] = c;
}

inline void put_hex(trace_writer &w, uint32_t value)
{
    char digits[8];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value != 0);
    while (n > 0)
        put_char(w, digits[--n]);
}

inline void put_dec(trace_writer &w, uint64_t value)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0)
        put_char(w, digits[--n]);
}

inline void end_line(trace_writer &w)
{
    put_char(w, '\n');
    ++w.lines;
}
