// A growing byte buffer for building markup. The report writer appends many
// short pieces per row (tags, attribute words, numbers, escaped runs); here
// an append is an inline copy into room already there, where a std::string
// append is a library call and a copy call each. Only the bytes appended are
// kept: there is no terminating NUL.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

class Markup {
public:
    Markup() = default;
    Markup(const Markup &other) { append(other); }
    Markup(Markup &&other) noexcept : begin_(other.begin_), end_(other.end_), limit_(other.limit_)
    {
        other.begin_ = other.end_ = other.limit_ = nullptr;
    }
    Markup &operator=(Markup other) noexcept
    {
        swap(other);
        return *this;
    }
    ~Markup();

    void swap(Markup &other) noexcept
    {
        std::swap(begin_, other.begin_);
        std::swap(end_, other.end_);
        std::swap(limit_, other.limit_);
    }

    void append(const char *bytes, size_t length)
    {
        if (static_cast<size_t>(limit_ - end_) < length)
            grow(length);
        if (length != 0)
            std::memcpy(end_, bytes, length);
        end_ += length;
    }
    // A NUL-terminated text; for a literal the length is known when compiled.
    void append(const char *text) { append(text, std::strlen(text)); }
    void append(const Markup &other) { append(other.data(), other.size()); }
    void push_back(char c)
    {
        if (end_ == limit_)
            grow(1);
        *end_++ = c;
    }
    // Room for length more bytes, which the caller fills.
    char *extend(size_t length)
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

    const char *data() const { return begin_; }
    size_t size() const { return static_cast<size_t>(end_ - begin_); }
    bool empty() const { return end_ == begin_; }
    std::string str() const { return std::string(begin_, size()); }

private:
    // Makes room for at least more bytes past the end.
    void grow(size_t more);

    char *begin_ = nullptr;
    char *end_ = nullptr;
    char *limit_ = nullptr;
};
