// The byte buffer: see byte_buffer.h.
#include "diagnostics/byte_buffer.h"

#include "diagnostics/memory.h"

#include <cstdlib>

ByteBuffer::~ByteBuffer()
{
    std::free(begin_);
}

void ByteBuffer::grow(size_t more)
{
    const size_t used = size();
    size_t capacity = static_cast<size_t>(limit_ - begin_);
    capacity = capacity < 256 ? 256 : capacity * 2;
    if (capacity < used + more)
        capacity = used + more;
    char *bytes = static_cast<char *>(std::realloc(begin_, capacity));
    if (!bytes)
        die_out_of_memory();
    begin_ = bytes;
    end_ = bytes + used;
    limit_ = bytes + capacity;
}
