// The message spool: see message_spool.h.
#include "tree/message_spool.h"

#include "diagnostics/memory.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const size_t block_size = size_t(1) << 20;
const size_t page_size = 4096;
const size_t cached_pages = 128;  // 512 KiB of file pages kept for reading, per reading thread
// A record's header: the distance back to the record before it in its list
// (0 for none) and the text's length, each as a variable-length number of
// 7-bit groups, low group first.
const size_t longest_header = 10 + 5;

struct CachedPage {
    uint64_t index = UINT64_MAX;
    std::vector<char> bytes;
};

// A record's header as read back.
struct RecordHeader {
    SpoolOffset previous;
    uint32_t length;
    uint64_t text_at;  // spool position of the text
};

struct Spool {
    // Block i covers spool bytes [i * block_size, (i + 1) * block_size); null
    // once it has been written to the file. The last block is being filled.
    std::vector<char *> blocks;
    char *spare_block = nullptr;  // a block moved to the file, for the next one
    uint64_t size = 0;
    uint64_t memory_budget = 0;  // bytes of full blocks kept in memory
    uint64_t kept_in_memory = 0;
    int fd = -1;
    bool file_failed = false;
    bool file_used = false;
};

// Never destroyed: when a run ends without freeing the tree (its results
// file could not be written), the blocks stay reachable to the end.
Spool &spool = *new Spool;

// What a reader keeps between reads. The report is built on two threads,
// which read the spool at once; each has its own.
struct SpoolReading {
    std::vector<CachedPage> pages;  // direct-mapped by page index
    std::string text;               // the record being read, when it is not in memory
    std::vector<SpoolOffset> segment;
    std::vector<SpoolOffset> checkpoints;
    std::vector<RecordHeader> whole;
};

thread_local SpoolReading reading;

bool open_file()
{
    if (spool.fd >= 0)
        return true;
    if (spool.file_failed)
        return false;
    const char *folder = getenv("TMPDIR");
    std::string name = folder && *folder ? folder : "/tmp";
    name += "/tallyrpt-messages-XXXXXX";
    spool.fd = mkostemp(&name[0], O_CLOEXEC);
    if (spool.fd < 0) {
        spool.file_failed = true;
        return false;
    }
    // Nobody else needs the file: it goes away when it is closed, also when
    // the run ends early.
    unlink(name.c_str());
    return true;
}

bool write_all(int fd, const char *bytes, size_t count, uint64_t at)
{
    while (count > 0) {
        const ssize_t written = pwrite(fd, bytes, count, static_cast<off_t>(at));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<size_t>(written);
        at += static_cast<uint64_t>(written);
    }
    return true;
}

// Moves the full block to the file, or leaves it in memory while the budget
// allows or when it cannot be written.
void retire_block(size_t index)
{
    char *block = spool.blocks[index];
    if (spool.kept_in_memory + block_size <= spool.memory_budget) {
        spool.kept_in_memory += block_size;
        return;
    }
    if (!open_file())
        return;
    if (!write_all(spool.fd, block, block_size, uint64_t(index) * block_size)) {
        spool.file_failed = true;
        return;
    }
    spool.file_used = true;
    mem_free(spool.spare_block);
    spool.spare_block = block;
    spool.blocks[index] = nullptr;
}

void append_bytes(const void *data, size_t count)
{
    const char *bytes = static_cast<const char *>(data);
    while (count > 0) {
        const size_t index = static_cast<size_t>(spool.size / block_size);
        const size_t at = static_cast<size_t>(spool.size % block_size);
        if (index == spool.blocks.size()) {
            char *block = spool.spare_block;
            if (!block) {
                // Filled from start to end by the records that follow.
                block = static_cast<char *>(mem_alloc(block_size));
                mem_make_present(block, block_size);
            }
            spool.spare_block = nullptr;
            spool.blocks.push_back(block);
        }
        const size_t part = count < block_size - at ? count : block_size - at;
        memcpy(spool.blocks[index] + at, bytes, part);
        spool.size += part;
        bytes += part;
        count -= part;
        if (at + part == block_size)
            retire_block(index);
    }
}

bool read_page(uint64_t index, const char **bytes)
{
    if (reading.pages.empty())
        reading.pages.resize(cached_pages);
    CachedPage &page = reading.pages[index % cached_pages];
    if (page.index != index) {
        page.bytes.resize(page_size);
        size_t done = 0;
        while (done < page_size) {
            const ssize_t got = pread(spool.fd, page.bytes.data() + done, page_size - done,
                                      static_cast<off_t>(index * page_size + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                page.index = UINT64_MAX;
                return false;
            }
            done += static_cast<size_t>(got);
        }
        page.index = index;
    }
    *bytes = page.bytes.data();
    return true;
}

// Copies count spool bytes from position at; false when they cannot be read.
bool read_bytes(uint64_t at, void *data, size_t count)
{
    char *out = static_cast<char *>(data);
    if (at > spool.size || count > spool.size - at)
        return false;
    while (count > 0) {
        const size_t index = static_cast<size_t>(at / block_size);
        const char *source;
        size_t available;
        if (const char *block = spool.blocks[index]) {
            source = block + at % block_size;
            available = block_size - at % block_size;
        } else {
            if (!read_page(at / page_size, &source))
                return false;
            source += at % page_size;
            available = page_size - at % page_size;
        }
        const size_t part = count < available ? count : available;
        memcpy(out, source, part);
        out += part;
        at += part;
        count -= part;
    }
    return true;
}

// The count spool bytes from position at where they lie in one block still
// in memory, to be read in place; null otherwise.
const char *bytes_in_memory(uint64_t at, size_t count)
{
    if (at >= spool.size || count > spool.size - at)
        return nullptr;
    const char *block = spool.blocks[static_cast<size_t>(at / block_size)];
    const size_t offset = static_cast<size_t>(at % block_size);
    return block && offset + count <= block_size ? block + offset : nullptr;
}

// Reads a variable-length number at *at (advanced past it) from bytes that
// end at end; false when it runs past them or past 64 bits.
bool read_varint(const unsigned char *&at, const unsigned char *end, uint64_t *value)
{
    uint64_t number = 0;
    for (unsigned shift = 0; at < end && shift < 64; shift += 7) {
        const unsigned char byte = *at++;
        number |= uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80)) {
            *value = number;
            return true;
        }
    }
    return false;
}

// Writes number as a varint (seven bits a byte, lowest first, the top bit
// set on every byte but the last); the count of bytes written.
size_t put_varint(unsigned char *to, uint64_t number)
{
    size_t count = 0;
    while (number >= 0x80) {
        to[count++] = static_cast<unsigned char>(number | 0x80);
        number >>= 7;
    }
    to[count++] = static_cast<unsigned char>(number);
    return count;
}

// The record's header; false when it cannot be read. A previous record that
// does not lie before this one is damage and taken as none.
bool header_of(SpoolOffset record, RecordHeader *header)
{
    const uint64_t start = record - 1;
    if (start >= spool.size)
        return false;
    unsigned char copy[longest_header];
    const size_t count = static_cast<size_t>(std::min<uint64_t>(longest_header, spool.size - start));
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(bytes_in_memory(start, count));
    if (!bytes) {
        if (!read_bytes(start, copy, count))
            return false;
        bytes = copy;
    }
    const unsigned char *at = bytes;
    uint64_t back = 0, length = 0;
    if (!read_varint(at, bytes + count, &back) || !read_varint(at, bytes + count, &length) || length > UINT32_MAX)
        return false;
    header->previous = back != 0 && back < record ? record - back : 0;
    header->length = static_cast<uint32_t>(length);
    header->text_at = start + static_cast<uint64_t>(at - bytes);
    return true;
}

// The record before this one in its list (0 at the list's start or when it
// cannot be read).
SpoolOffset previous_of(SpoolOffset record)
{
    RecordHeader header;
    return header_of(record, &header) ? header.previous : 0;
}

bool visit_text(const RecordHeader &header, SpoolVisitor visit, void *context)
{
    if (header.length == 0) {
        visit("", 0, context);
        return true;
    }
    if (const char *text = bytes_in_memory(header.text_at, header.length)) {
        visit(text, header.length, context);
        return true;
    }
    reading.text.resize(header.length);
    if (!read_bytes(header.text_at, &reading.text[0], header.length))
        return false;
    visit(reading.text.c_str(), header.length, context);
    return true;
}

bool visit_record(SpoolOffset record, SpoolVisitor visit, void *context)
{
    RecordHeader header;
    return header_of(record, &header) && visit_text(header, visit, context);
}

// Lists up to this many records are walked once, their records kept.
const size_t whole_list_limit = 65536;

// Walks the list ending at last into record headers, newest first, keeping
// those older than any unreadable record; false when the list is longer than
// whole_list_limit.
bool take_whole_list(SpoolOffset last, std::vector<RecordHeader> &records)
{
    records.clear();
    RecordHeader header;
    for (SpoolOffset record = last; record; record = header.previous) {
        if (records.size() == whole_list_limit)
            return false;
        if (!header_of(record, &header)) {
            records.clear();  // a damaged record ends the visit oldest first
            break;
        }
        records.push_back(header);
    }
    return true;
}

}  // namespace

SpoolOffset spool_append(SpoolOffset previous, const char *text, size_t length)
{
    const SpoolOffset record = spool.size + 1;
    const uint64_t back = previous ? record - previous : 0;
    const uint32_t length_field = static_cast<uint32_t>(length);
    // Nearly every record lands inside the block being filled, short of its
    // end: its header is put together right there, byte by byte. (Put
    // together in an array and then copied whole, it was loaded right after
    // the stores of its bytes, and such a load waits for them to complete.)
    const size_t index = static_cast<size_t>(spool.size / block_size);
    const size_t at = static_cast<size_t>(spool.size % block_size);
    if (index < spool.blocks.size() && block_size - at > longest_header + length_field) {
        unsigned char *const to = reinterpret_cast<unsigned char *>(spool.blocks[index] + at);
        size_t count = put_varint(to, back);
        count += put_varint(to + count, length_field);
        memcpy(to + count, text, length_field);
        spool.size += count + length_field;
        return record;
    }
    unsigned char header[longest_header];
    size_t count = put_varint(header, back);
    count += put_varint(header + count, length_field);
    append_bytes(header, count);
    append_bytes(text, length_field);
    return record;
}

void spool_visit_list(SpoolOffset last, SpoolVisitor visit, void *context)
{
    if (last == 0)
        return;
    // Nearly every list is short: one walk gives its records.
    std::vector<RecordHeader> &whole = reading.whole;
    if (take_whole_list(last, whole)) {
        for (size_t r = whole.size(); r-- > 0;)
            if (!visit_text(whole[r], visit, context))
                return;
        return;
    }
    size_t count = 0;
    for (SpoolOffset record = last; record; record = previous_of(record))
        ++count;
    // Segments of `stride` records, each ending at a checkpoint; the last
    // checkpoint taken ends the oldest segment.
    const size_t stride = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(count))));
    std::vector<SpoolOffset> &checkpoints = reading.checkpoints;
    checkpoints.clear();
    size_t position = 0;
    for (SpoolOffset record = last; record; record = previous_of(record), ++position)
        if (position % stride == 0)
            checkpoints.push_back(record);
    std::vector<SpoolOffset> &segment = reading.segment;
    for (size_t c = checkpoints.size(); c-- > 0;) {
        segment.clear();
        SpoolOffset record = checkpoints[c];
        for (size_t taken = 0; record && taken < stride; ++taken, record = previous_of(record))
            segment.push_back(record);
        for (size_t s = segment.size(); s-- > 0;)
            if (!visit_record(segment[s], visit, context))
                return;
    }
}

void spool_set_memory_budget(uint64_t bytes)
{
    spool.memory_budget = bytes;
}

bool spool_uses_file()
{
    return spool.file_used;
}

void spool_clear()
{
    for (char *block : spool.blocks)
        mem_free(block);
    mem_free(spool.spare_block);
    if (spool.fd >= 0)
        close(spool.fd);
    spool = Spool();
    reading = SpoolReading();
}
