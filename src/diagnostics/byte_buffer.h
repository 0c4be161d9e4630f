// A growing byte buffer for texts built from many short pieces: report
// markup (tags, attribute words, numbers, escaped runs) and the decoded texts
// of the readers' batches. Here an append is an inline copy into room
// already there, where a std::string append is a library call and a copy
// call each. Only the bytes appended are kept: there is no terminating NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer &other) { append(other); }
    ByteBuffer(ByteBuffer &&other) noexcept : begin_(other.begin_), end_(other.end_), limit_(other.limit_)
    {
        other.begin_ = other.end_ = other.limit_ = nullptr;
    }
    ByteBuffer &operator=(ByteBuffer other) noexcept
    {
        swap(other);
        return *this;
    }
    ~ByteBuffer();

    void swap(ByteBuffer &other) noexcept
    {
        std::swap(begin_, other.begin_);
        std::swap(end_, other.end_);
        std::swap(limit_, other.limit_);
    }

    // The appends are forced inline: left to itself the compiler calls some
    // of them out of line in the report's formatting, where a call per
    // piece took a tenth of the time.
    __attribute__((always_inline)) void append(const char *bytes, size_t length)
    {
        if (static_cast<size_t>(limit_ - end_) < length)
            grow(length);
        copy_bytes(end_, bytes, length);
        end_ += length;
    }
    // A NUL-terminated text; for a literal the length is known when compiled.
    __attribute__((always_inline)) void append(const char *text) { append(text, std::strlen(text)); }
    void append(const ByteBuffer &other) { append(other.data(), other.size()); }
    __attribute__((always_inline)) void push_back(char c)
    {
        if (end_ == limit_)
            grow(1);
        *end_++ = c;
    }
    // Room for length more bytes, which the caller fills.
    __attribute__((always_inline)) char *extend(size_t length)
    {
        if (static_cast<size_t>(limit_ - end_) < length)
            grow(length);
        char *at = end_;
        end_ += length;
        return at;
    }
    // Back to the first length bytes (no more than there are).
    void truncate(size_t length) { end_ = begin_ + length; }
    void reserve(size_t length)
    {
        if (static_cast<size_t>(limit_ - begin_) < length)
            grow(length - size());
    }
    void clear() { end_ = begin_; }

    // Never null, also before anything was appended: callers may hand it to
    // the C library with a length of 0.
    const char *data() const { return begin_ ? begin_ : ""; }
    size_t size() const { return static_cast<size_t>(end_ - begin_); }
    bool empty() const { return end_ == begin_; }
    std::string str() const { return std::string(data(), size()); }

    template <size_t N>
    struct Bytes {
        char bytes[N];
    };

    // The first and the last sizeof(Word) bytes of a piece of sizeof(Word)
    // to twice that many bytes, which together cover it.
    template <typename Word>
    static void copy_ends(char *to, const char *from, size_t length)
    {
        Word head, tail;
        std::memcpy(&head, from, sizeof head);
        std::memcpy(&tail, from + length - sizeof tail, sizeof tail);
        std::memcpy(to, &head, sizeof head);
        std::memcpy(to + length - sizeof tail, &tail, sizeof tail);
    }

    // Most pieces are short (a number, a word, a tag, an escaped run of a
    // text, a file name): those are moved here in two loads and two stores
    // that may overlap, which is much cheaper than a call. Only bytes of the
    // piece are read. Public for callers that fill room taken with extend.
    static void copy_bytes(char *to, const char *from, size_t length)
    {
        if (length > 64) {
            std::memcpy(to, from, length);
        } else if (length > 32) {
            copy_ends<Bytes<32>>(to, from, length);
        } else if (length > 16) {
            copy_ends<Bytes<16>>(to, from, length);
        } else if (length >= 8) {
            copy_ends<uint64_t>(to, from, length);
        } else if (length >= 4) {
            copy_ends<uint32_t>(to, from, length);
        } else if (length != 0) {
            to[0] = from[0];
            to[length / 2] = from[length / 2];
            to[length - 1] = from[length - 1];
        }
    }

private:
    // Makes room for at least more bytes past the end.
    void grow(size_t more);

    char *begin_ = nullptr;
    char *end_ = nullptr;
    char *limit_ = nullptr;
};
