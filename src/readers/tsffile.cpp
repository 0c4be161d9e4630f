// The static trace reader. Each record is a keyword and its fields; file
// sections become Test Driver nodes, "IN" scopes nest under the current scope,
// "TX"/"MS" statements become check nodes on the current line. The reader
// state (pending source name, current scope, current line) lives for one
// file; the section counter belongs to the caller and carries across files.
//
// The traces of a run are read one after the other by one reading thread, so
// that the next trace is being read while the end of the one before is still
// applied: a trace's end travels with its records as a record of its own.
#include "readers/tsffile.h"

#include "diagnostics/memory.h"
#include "readers/read_ahead.h"
#include "readers/scan.h"
#include "tree/tree.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sys/stat.h>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The scope a node is made under and a statement's line are followed as
// the records are read (follow_scopes), not as they are applied: they
// depend on the records alone.
struct StaticState {
    const char *const *paths;
    int current;  // the trace whose records are applied
    bool failed;  // that trace could not be opened or read to its end
    int32_t *counter;
    char *pending_source_name;  // owned, or null
    bool section_open;  // an "IN \"File\"" not yet closed by "ED"
};

void skip_rest_of_line(TraceStream *stream)
{
    skip_until_char(stream, '\n');
}

// A test case, by far the commonest kind, takes one comparison.
int scope_type_of(const char *kind)
{
    if (kind[0] == 'C')
        return strcmp(kind, "Class") == 0 ? NODE_TEST_CLASS : 0;
    if (kind[0] != 'T' || kind[1] != 'e' || kind[2] != 's' || kind[3] != 't')
        return 0;
    const char *rest = kind + 4;
    if (strcmp(rest, "Case") == 0)
        return NODE_TEST_CASE;
    if (strcmp(rest, "Suite") == 0)
        return NODE_TEST_SUITE;
    if (strcmp(rest, "Stub") == 0)
        return NODE_STUB;
    return 0;
}

bool contains_at(const char *text, size_t length, size_t at, const char *word, size_t word_length)
{
    return length - at >= word_length && memcmp(text + at, word, word_length) == 0;
}

// Whether the word starting at text + at is one that makes a statement a
// Print (1) or a Comment (2); 0 otherwise.
int statement_word_at(const char *text, size_t length, size_t at)
{
    if (at + 1 >= length)
        return 0;
    const char next = text[at + 1];
    switch (text[at]) {
    case 'v':
        return next == 'e' && contains_at(text, length, at, "verifyLogMessage", 16) ? 1 : 0;
    case 'e':
        return (next == 'n' && contains_at(text, length, at, "entermethod", 11))
                       || (next == 'x' && contains_at(text, length, at, "exitmethod", 10))
                   ? 1 : 0;
    case 't':
        return next == 'i'
                       && (contains_at(text, length, at, "timerStart", 10)
                           || contains_at(text, length, at, "timerReportElapsedTime", 22))
                   ? 1 : 0;
    case 'c':
        return next == 'r' && contains_at(text, length, at, "createTimer", 11) ? 2 : 0;
    default:
        return 0;
    }
}

// The classes of statement texts, and the node types they give a "TX"
// statement (statement_types).
enum StatementClass { statement_check, statement_print, statement_comment };

// The words that make a statement a Print, and the one that makes it a
// Comment, looked for in one pass over the text: eight bytes at a time, a
// word compared only where one of their first letters stands.
int statement_class_of(const char *text, size_t length)
{
    bool comment = false;
    size_t at = 0;
#ifdef __SSE2__
    // Sixteen places at a time, a word compared only where its first two
    // letters stand: "ve", "en", "ex", "ti" or "cr" (the second letter read
    // one byte further on), which ordinary code holds far less often than
    // the first letters alone.
    const auto letters = [](char c) { return _mm_set1_epi8(c); };
    // The last block is the one that ends with the text, overlapping the one
    // before: a place looked at twice finds nothing new, and the tail needs
    // no loop of its own.
    for (size_t next = 0; length >= 17 && next + 2 <= length; next += 16) {
        at = next + 17 <= length ? next : length - 17;
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at + 1));
        const auto pair = [&](char a, __m128i b) { return _mm_and_si128(_mm_cmpeq_epi8(first, letters(a)), b); };
        const __m128i starts = _mm_or_si128(
            _mm_or_si128(pair('v', _mm_cmpeq_epi8(second, letters('e'))),
                         pair('e', _mm_or_si128(_mm_cmpeq_epi8(second, letters('n')), _mm_cmpeq_epi8(second, letters('x'))))),
            _mm_or_si128(pair('t', _mm_cmpeq_epi8(second, letters('i'))), pair('c', _mm_cmpeq_epi8(second, letters('r')))));
        for (unsigned found = static_cast<unsigned>(_mm_movemask_epi8(starts)); found; found &= found - 1) {
            const int word = statement_word_at(text, length, at + static_cast<size_t>(__builtin_ctz(found)));
            if (word == 1)
                return statement_print;
            comment = comment || word == 2;
        }
    }
    if (length >= 17)
        return comment ? statement_comment : statement_check;
#endif
    if (little_endian_words) {
        for (; at + 8 <= length; at += 8) {
            uint64_t word;
            memcpy(&word, text + at, 8);
            uint64_t starts = zero_bytes(word ^ byte_copies('v')) | zero_bytes(word ^ byte_copies('e'))
                              | zero_bytes(word ^ byte_copies('t')) | zero_bytes(word ^ byte_copies('c'));
            for (; starts; starts &= starts - 1) {
                const int found = statement_word_at(text, length, at + static_cast<size_t>(__builtin_ctzll(starts) / 8));
                if (found == 1)
                    return statement_print;
                comment = comment || found == 2;
            }
        }
    }
    for (; at < length; ++at) {
        const int found = statement_word_at(text, length, at);
        if (found == 1)
            return statement_print;
        comment = comment || found == 2;
    }
    return comment ? statement_comment : statement_check;
}

const int32_t statement_types[3] = {NODE_CHECK_EXPRESSION, NODE_PRINT, NODE_COMMENT};

// The node type an "IN" record's kind makes: NODE_TEST_DRIVER for a file
// section, 0 for a kind that makes no node.
int scope_opened_by(const char *kind)
{
    if (!kind)
        return 0;
    return kind[0] == 'F' ? (strcmp(kind, "File") == 0 ? NODE_TEST_DRIVER : 0) : scope_type_of(kind);
}

// type is scope_opened_by the record's kind; the name's length and
// text_store_hash are given; scope is the one the record was read in.
void open_scope(StaticState &state, uint32_t identifier, int type, const char *name, size_t name_length,
                uint64_t name_hash, uint32_t scope)
{
    const int32_t file_number = *state.counter;
    if (type == NODE_TEST_DRIVER) {
        add_file(file_number, identifier, name);
        if (state.pending_source_name) {
            set_file_names(file_number, state.pending_source_name);
            mem_free(state.pending_source_name);
            state.pending_source_name = nullptr;
        } else {
            set_file_names(file_number, state.paths[state.current]);
        }
        state.section_open = true;
        return;
    }
    if (type == 0)
        return;
    add_child_stored(file_number, type, identifier, name, name_length, name_hash, scope, 0);
}

// A record as applying it needs it: texts decoded and, for a statement, its
// node type. Preparing is the reading half of the work and can run on the
// read-ahead thread; applying changes the tree. Texts live in the batch.

// The end of a trace: number is 1 when it could not be opened or read.
const int trace_end = -1;

// The node text's hash and a "TX" statement's class are worked out a batch
// at a time before the batch is applied (describe_node_texts), on whichever
// thread read_ahead gives that step to; the applying side needs the hash
// first, to look the text up.
struct PreparedRecord {
    int16_t kind;
    // "TX": the text's StatementClass; "IN", once followed (follow_scopes):
    // the node type its kind makes (scope_opened_by)
    int16_t statement_class;
    uint32_t number;         // an identifier; "ID": the first identity; "LK": the line
    // "ID": the second identity; "IN", "TX", "MS", once followed
    // (follow_scopes): the scope the record was read in
    uint32_t second_number;
    uint32_t first_at;  // in the batch's texts
    uint32_t second_at;
    uint32_t node_text_length;  // of the text a node would take
    int32_t line;               // "TX", "MS", once followed: the line in force
    uint64_t node_text_hash;    // its text_store_hash; 0 for none
};

using RecordBatch = RecordBatchOf<PreparedRecord>;

// A decoded text appended to the batch from offset at on, or none when
// kept is false: its offset, its length to *decoded_length, and its NUL.
uint32_t keep_appended(RecordBatch &batch, size_t at, bool kept, uint32_t *decoded_length)
{
    if (!kept)
        return BatchTexts::none;
    ByteBuffer &bytes = batch.texts.bytes;
    *decoded_length = static_cast<uint32_t>(bytes.size() - at);
    bytes.push_back('\0');
    return static_cast<uint32_t>(at);
}

// Decodes a raw text into the batch: its offset there, or none; its length
// goes to *decoded_length. The kinds and names of scopes nearly always
// decode to themselves, and are then copied without the general decoding's
// look at their quotes and escapes.
uint32_t keep_decoded(RecordBatch &batch, const char *raw, size_t length, uint32_t *decoded_length)
{
    ByteBuffer &bytes = batch.texts.bytes;
    const size_t at = bytes.size();
    if (decodes_to_itself(raw, length)) {
        bytes.append(raw, length);
        return keep_appended(batch, at, true, decoded_length);
    }
    return keep_appended(batch, at, decode_text_into(raw, length, bytes), decoded_length);
}

// The text a node made from the record would take, or null.
const char *node_text_of(const PreparedRecord &record, const RecordBatch &batch)
{
    const bool statement = record.kind == STATIC_TX || record.kind == STATIC_MS;
    return batch.texts.at(statement ? record.first_at : record.second_at);
}

// What the applying side needs of the text a node would take, for every
// record of the batch that has one: its hash and, for a "TX" statement, its
// class. Its length is known already.
void describe_node_texts(RecordBatch &batch)
{
    RecordSlots<PreparedRecord> &records = batch.records;
    const size_t count = records.size();
    for (size_t i = 0; i < count; ++i) {
        PreparedRecord &record = records[i];
        const char *text = node_text_of(record, batch);
        if (!text)
            continue;
        record.node_text_hash = text_store_hash(text, record.node_text_length);
        if (record.kind == STATIC_TX)
            record.statement_class = static_cast<int16_t>(statement_class_of(text, record.node_text_length));
    }
}

// The first and second texts' decoded lengths are given.
void finish_record(PreparedRecord &prepared, uint32_t first_length, uint32_t second_length)
{
    const bool statement = prepared.kind == STATIC_TX || prepared.kind == STATIC_MS;
    prepared.node_text_length = statement ? first_length : second_length;
}

// The record on the whole line [line, end) in the stream's buffer, read
// exactly as the primitives read it (read_static_record), into record, the
// batch's last; false, with nothing read, when a field would take them past
// the line: read_static_record reads it then.
bool read_static_line_at(const char *line, const char *end, RecordBatch &batch, PreparedRecord &record)
{
    if (end - line < 3 || line[2] != ' ' || line[0] == ' ' || line[1] == ' ')
        return false;
    const char keyword[3] = {line[0], line[1], '\0'};
    record = {static_cast<int16_t>(static_record_kind(keyword)), 0, 0, 0, BatchTexts::none, BatchTexts::none, 0, 0, 0};
    const char *p = line + 3;
    const auto find = [end](const char *from, char c) {
        return from < end ? static_cast<const char *>(memchr(from, c, static_cast<size_t>(end - from))) : nullptr;
    };
    // skip_past_spaces: the first byte that is not a space is taken too.
    const auto past_spaces = [end](const char *from) -> const char * {
        while (from < end && *from == ' ')
            ++from;
        return from < end ? from + 1 : nullptr;
    };
    const char *first = nullptr, *second = nullptr;
    size_t first_length = 0, second_length = 0;
    char text_buffer[TOKEN_TEXT_SIZE];
    switch (record.kind) {
    case STATIC_SI:
        record.number = parse_unsigned_bytes(p, static_cast<size_t>(end - p), 16);
        break;
    case STATIC_IN: {
        const char *kind = past_spaces(p);  // past the opening quote
        const char *kind_close = kind ? find(kind, '"') : nullptr;
        if (!kind_close || kind_close + 1 >= end)
            return false;
        const char *number = kind_close + 2;  // past the blank after the quote
        const char *space = find(number, ' ');
        const char *name = space ? past_spaces(space + 1) : nullptr;
        const char *name_close = name ? find(name, '"') : nullptr;
        if (!name_close)
            return false;
        first = kind;
        first_length = token_length(kind, static_cast<size_t>(kind_close - kind));
        record.number = parse_unsigned_bytes(number, static_cast<size_t>(space - number), 16);
        second = name;
        second_length = token_length(name, static_cast<size_t>(name_close - name));
        break;
    }
    case STATIC_ID: {
        const char *space = find(p, ' ');
        if (!space)
            return false;
        record.number = parse_unsigned_bytes(p, static_cast<size_t>(space - p), 16);
        record.second_number = parse_unsigned_bytes(space + 1, static_cast<size_t>(end - space - 1), 16);
        break;
    }
    case STATIC_TX:
    case STATIC_MS: {
        const char *space = find(p, ' ');
        if (!space || space + 1 >= end)
            return false;
        record.number = parse_unsigned_bytes(p, static_cast<size_t>(space - p), 10);
        first = line_text(space + 2, end, text_buffer, &first_length);  // past the opening quote
        break;
    }
    case STATIC_SO: {
        const char *close = find(p + 1, '"');  // past the opening quote
        if (!close)
            return false;
        first = p + 1;
        first_length = token_length(first, static_cast<size_t>(close - first));
        break;
    }
    case STATIC_LK:
        record.number = static_cast<uint32_t>(parse_signed_decimal_bytes(p, static_cast<size_t>(end - p)));
        break;
    default:  // "DB", "ED" and unknown keywords
        break;
    }
    uint32_t first_decoded = 0, second_decoded = 0;
    if (first)
        record.first_at = keep_decoded(batch, first, first_length, &first_decoded);
    if (second)
        record.second_at = keep_decoded(batch, second, second_length, &second_decoded);
    finish_record(record, first_decoded, second_decoded);
    return true;
}

// The same on the line at the stream's position, which it then passes.
bool read_static_line(TraceStream *stream, RecordBatch &batch, PreparedRecord &record)
{
    const char *line = reinterpret_cast<const char *>(stream->position);
    const char *end = buffered_line_end(stream);
    if (!end || !read_static_line_at(line, end, batch, record))
        return false;
    stream->position = reinterpret_cast<const unsigned char *>(end + 1);
    return true;
}

// Records are made in place in the batch (see read_line_run).
bool prepare_static_line(TraceStream *stream, RecordBatch &batch)
{
    if (read_static_line(stream, batch, batch.records.emplace_back()))
        return true;
    batch.records.pop_back();
    return false;
}

// The text of a "TX" line whose number is read, from q (its opening quote)
// on, as read_static_line reads it: escapes, quotes and all; the position
// past the line, or null when the line does not end in the buffer.
const char *read_statement_text(RecordBatch &batch, const char *q, const char *end, PreparedRecord &record)
{
    const char *line_end = static_cast<const char *>(memchr(q, '\n', static_cast<size_t>(end - q)));
    if (!line_end || q >= line_end)
        return nullptr;
    record.kind = STATIC_TX;
    uint32_t decoded = 0;
    const size_t at = batch.texts.bytes.size();
    bool kept = false;
    if (decode_line_text_into(q + 1, line_end, batch.texts.bytes, &kept)) {
        record.first_at = keep_appended(batch, at, kept, &decoded);
    } else {
        char text_buffer[TOKEN_TEXT_SIZE];
        size_t length = 0;
        const char *text = line_text(q + 1, line_end, text_buffer, &length);
        record.first_at = keep_decoded(batch, text, length, &decoded);
    }
    finish_record(record, decoded, 0);
    return line_end + 1;
}

// Reads, straight off the buffer, the run of records that starts at the
// stream's position, each as prepare_static_line reads it, up to limit
// records in the batch; stops before a line that does not end in the
// buffer, which the general reading takes. The commonest forms are read
// field by field here: line numbers ("LK 29"), scopes ("SI 7") and
// statements ("TX 12 \"x == 2\""; a plain text is copied as it stands,
// others are decoded).
void prepare_plain_static_lines(TraceStream *stream, RecordBatch &batch, size_t limit)
{
    read_line_run(stream, batch.records, limit,
                  [&batch](const char *line, const char *end, PreparedRecord &record) -> const char * {
        const auto whole_line = [&]() -> const char * {
            const char *line_end = static_cast<const char *>(memchr(line, '\n', static_cast<size_t>(end - line)));
            return line_end && read_static_line_at(line, line_end, batch, record) ? line_end + 1 : nullptr;
        };
        record = {STATIC_OTHER, 0, 0, 0, BatchTexts::none, BatchTexts::none, 0, 0, 0};
        const char *q = line + 3;
        switch (static_cast<unsigned char>(line[0]) << 8 | static_cast<unsigned char>(line[1])) {
        case 'L' << 8 | 'K': {
            uint32_t number;
            if (!plain_decimal_field(q, end, '\n', number))
                return whole_line();
            record.kind = STATIC_LK;
            record.number = number;
            return q;
        }
        case 'S' << 8 | 'I':
            if (!plain_hex_field(q, end, '\n', record.number))
                return whole_line();
            record.kind = STATIC_SI;
            return q;
        case 'T' << 8 | 'X': {
            if (!plain_decimal_field(q, end, ' ', record.number))
                return whole_line();
            // line_text keeps up to 1998 bytes after the opening quote.
            const char *closing = plain_quoted_text_end(q, end - q > 2000 ? q + 2000 : end);
            if (!closing)
                return read_statement_text(batch, q, end, record);
            record.kind = STATIC_TX;
            const size_t length = static_cast<size_t>(closing - q - 1);
            if (length != 0) {  // an empty text decodes to none
                ByteBuffer &bytes = batch.texts.bytes;
                record.first_at = static_cast<uint32_t>(bytes.size());
                record.node_text_length = static_cast<uint32_t>(length);
                bytes.append(q + 1, length);
                bytes.push_back('\0');
            }
            return closing + 2;
        }
        default:
            return whole_line();
        }
    });
}

void prepare_static_record(TraceStream *stream, RecordBatch &batch)
{
    if (prepare_static_line(stream, batch))
        return;
    StaticRecord record = read_static_record(stream);
    PreparedRecord &prepared = batch.records.emplace_back();
    prepared = {static_cast<int16_t>(record.kind), 0, record.number, 0, BatchTexts::none, BatchTexts::none, 0, 0, 0};
    if (record.kind == STATIC_ID) {
        prepared.number = record.identity_first;
        prepared.second_number = record.identity_second;
    } else if (record.kind == STATIC_LK) {
        prepared.number = static_cast<uint32_t>(record.line);
    }
    uint32_t first_decoded = 0, second_decoded = 0;
    if (record.first_text)
        prepared.first_at = keep_decoded(batch, record.first_text, strlen(record.first_text), &first_decoded);
    if (record.second_text)
        prepared.second_at = keep_decoded(batch, record.second_text, strlen(record.second_text), &second_decoded);
    release_static_record(&record);
    finish_record(prepared, first_decoded, second_decoded);
}

// A trace cut before its last "ED" closes its section at its end, so that
// the next trace's first section gets a number of its own. The next trace
// starts with scope 1 and line 0 again.
void finish_trace(StaticState &state, bool failed)
{
    mem_free(state.pending_source_name);
    state.pending_source_name = nullptr;
    if (state.section_open)
        ++*state.counter;
    state.section_open = false;
    state.failed = failed;
    if (!failed)
        ++state.current;
}

// Where the records come from: the traces named, opened in turn, or one
// stream already open (count 1, not closed here). The reading thread writes
// it with every run of lines, from the applying thread's frame: on cache
// lines of its own, like the dynamic reader's ReadingState.
struct alignas(64) StaticSource {
    const char *const *paths;
    int count;
    int next;             // the trace being read or to be opened
    TraceStream *stream;  // being read, or null
    bool owned;           // stream opened here
    bool finished;        // every trace read, or one failed
    // The scope and line in force after the records read so far: "IN" and
    // "SI" set the scope, "LK" the line, and a trace starts with scope 1
    // and line 0.
    uint32_t scope;
    int32_t line;
};

// Follows the scope and line through the records appended from first on,
// stamps them on the records that make nodes, and drops the "LK" and "SI"
// records, which have nothing left to apply.
void follow_scopes(StaticSource &source, RecordBatch &batch, size_t first)
{
    RecordSlots<PreparedRecord> &records = batch.records;
    const size_t count = records.size();
    // The scope and line are followed in locals, and a record is moved
    // down before it is stamped: stamped where it was read and then moved,
    // it would be loaded right after two narrow stores into it, and such a
    // load waits for the stores to complete.
    uint32_t scope = source.scope;
    int32_t line = source.line;
    size_t kept = first;
    for (size_t i = first; i < count; ++i) {
        const PreparedRecord &record = records[i];
        if (record.kind == STATIC_LK) {
            line = static_cast<int32_t>(record.number);
            continue;
        }
        if (record.kind == STATIC_SI) {
            scope = record.number;
            continue;
        }
        PreparedRecord &moved = records[kept];
        if (kept != i)
            moved = record;
        ++kept;
        switch (moved.kind) {
        case STATIC_TX:
        case STATIC_MS:
            moved.second_number = scope;
            moved.line = line;
            break;
        case STATIC_IN: {
            moved.second_number = scope;
            const int type = scope_opened_by(batch.texts.at(moved.first_at));
            moved.statement_class = static_cast<int16_t>(type);
            if (type != 0)
                scope = moved.number;
            break;
        }
        default:
            break;
        }
    }
    records.set_size(kept);
    source.scope = scope;
    source.line = line;
}

// Appends the next records to the batch, up to limit in all: records of the
// trace being read, or the end of a trace. False, with nothing appended,
// once there is nothing more. Runs of plain lines are read straight off the
// buffer only into batches (limit above 1): records read one at a time, as
// before the reading thread starts, take the general reading, against
// which tests hold the runs.
bool prepare_next(StaticSource &source, RecordBatch &batch, size_t limit)
{
    if (source.finished)
        return false;
    bool failed = false;
    if (!source.stream) {
        source.stream = trace_open(source.paths[source.next]);
        source.owned = true;
        failed = !source.stream;
    }
    if (!failed) {
        if (!trace_eof(source.stream)) {
            const size_t before = batch.records.size();
            if (limit > 1)
                prepare_plain_static_lines(source.stream, batch, limit);
            if (batch.records.size() == before)
                prepare_static_record(source.stream, batch);
            follow_scopes(source, batch, before);
            return true;
        }
        failed = trace_error(source.stream);
        if (source.owned)
            trace_close(source.stream);
        source.stream = nullptr;
    }
    PreparedRecord end = {trace_end, 0, failed ? 1u : 0u, 0, BatchTexts::none, BatchTexts::none, 0, 0, 0};
    batch.records.push_back(end);
    source.scope = 1;
    source.line = 0;
    ++source.next;
    source.finished = failed || source.next == source.count;
    return true;
}

// Acts on one record; decoded texts that turn out empty count as "".
void apply_static_record(StaticState &state, const PreparedRecord &record, const RecordBatch &batch)
{
    const uint64_t text_hash = record.node_text_hash;
    const char *first = batch.texts.at(record.first_at);
    const char *second = batch.texts.at(record.second_at);
    const char *first_or_empty = first ? first : "";
    const char *second_or_empty = second ? second : "";

    switch (record.kind) {
    case trace_end:
        finish_trace(state, record.number != 0);
        break;
    case STATIC_ID:
        set_file_identity(*state.counter, record.number, record.second_number);
        break;
    case STATIC_ED:
        ++*state.counter;
        state.section_open = false;
        break;
    case STATIC_SO:
        mem_free(state.pending_source_name);
        state.pending_source_name = first ? mem_strdup(first) : nullptr;
        break;
    case STATIC_IN:
        open_scope(state, record.number, record.statement_class, second_or_empty, record.node_text_length, text_hash,
                   record.second_number);
        break;
    case STATIC_TX:
    case STATIC_MS:
        add_child_stored(*state.counter,
                         record.kind == STATIC_TX ? statement_types[record.statement_class] : NODE_CHECK_EXPRESSION,
                         record.number, first_or_empty, record.node_text_length, text_hash, record.second_number,
                         record.line);
        break;
    default:
        break;
    }
}

// Past the first records, the rest of the traces is read and prepared on a
// second thread (read_ahead.h) while this one builds the tree.
const size_t batch_records = 16384;

void apply_rest(StaticState &state, StaticSource &source)
{
    read_ahead<RecordBatch>(
        [&](RecordBatch &batch) {
            while (batch.records.size() < batch_records) {
                if (!prepare_next(source, batch, batch_records))
                    return false;
            }
            return !source.finished;
        },
        describe_node_texts,
        [&](const RecordBatch &batch) {
            // Storing a node text looks it up in the tree's text table and
            // compares the text found there with the record's own: the
            // loading of all three is started some records ahead, so that
            // the cache misses of several records overlap (the slot 24
            // records ahead and the texts 12: at 16 and 8 the median static
            // reading took about a tenth longer).
            const RecordSlots<PreparedRecord> &records = batch.records;
            const size_t count = records.size();
            const size_t slot_ahead = 24, texts_ahead = 12;
            for (size_t i = 0; i < count; ++i) {
                if (i + slot_ahead < count)
                    prefetch_text_slot(records[i + slot_ahead].node_text_hash);
                if (i + texts_ahead < count) {
                    const PreparedRecord &coming = records[i + texts_ahead];
                    prefetch_stored_text(coming.node_text_hash, coming.node_text_length);
                    if (const char *text = node_text_of(coming, batch)) {
                        __builtin_prefetch(text);
                        __builtin_prefetch(text + coming.node_text_length);
                    }
                }
                apply_static_record(state, records[i], batch);
            }
        });
}

}  // namespace

int static_record_kind(const char *keyword)
{
    // Every keyword is two letters: one comparison of both bytes each.
    if (!keyword || !keyword[0] || !keyword[1] || keyword[2])
        return STATIC_OTHER;
    switch (static_cast<unsigned char>(keyword[0]) << 8 | static_cast<unsigned char>(keyword[1])) {
    case 'D' << 8 | 'B': return STATIC_DB;
    case 'S' << 8 | 'I': return STATIC_SI;
    case 'I' << 8 | 'N': return STATIC_IN;
    case 'I' << 8 | 'D': return STATIC_ID;
    case 'E' << 8 | 'D': return STATIC_ED;
    case 'T' << 8 | 'X': return STATIC_TX;
    case 'S' << 8 | 'O': return STATIC_SO;
    case 'L' << 8 | 'K': return STATIC_LK;
    case 'M' << 8 | 'S': return STATIC_MS;
    default: return STATIC_OTHER;
    }
}

StaticRecord read_static_record(TraceStream *stream)
{
    StaticRecord record = {STATIC_OTHER, 0, nullptr, nullptr, 0, 0, 0};
    char keyword[TOKEN_BUFFER_SIZE];
    read_token_into(stream, ' ', keyword);
    record.kind = static_record_kind(keyword);

    switch (record.kind) {
    case STATIC_SI:
        record.number = read_number_field(stream, '\n', 16);
        break;
    case STATIC_IN:
        skip_past_spaces(stream);  // blanks and the opening quote
        record.first_text = read_until_char(stream, '"');
        trace_getc(stream);  // the blank after the closing quote
        record.number = read_number_field(stream, ' ', 16);
        skip_past_spaces(stream);
        record.second_text = read_until_char(stream, '"');
        skip_rest_of_line(stream);
        break;
    case STATIC_ID:
        record.identity_first = read_number_field(stream, ' ', 16);
        record.identity_second = read_number_field(stream, '\n', 16);
        break;
    case STATIC_TX:
    case STATIC_MS:
        record.number = read_number_field(stream, ' ', 10);
        trace_getc(stream);  // the opening quote
        record.first_text = read_until_text(stream, "\n");
        break;
    case STATIC_SO:
        trace_getc(stream);  // the opening quote
        record.first_text = read_until_char(stream, '"');
        skip_rest_of_line(stream);
        break;
    case STATIC_LK: {
        char token[TOKEN_BUFFER_SIZE];
        read_token_into(stream, '\n', token);
        record.line = parse_signed_decimal(token);
        break;
    }
    default:  // "DB", "ED" and unknown keywords
        skip_rest_of_line(stream);
        break;
    }
    return record;
}

void release_static_record(StaticRecord *record)
{
    mem_free(record->first_text);
    mem_free(record->second_text);
    record->first_text = nullptr;
    record->second_text = nullptr;
}

namespace {

// Reads the source's traces in turn; the index of the one that could not be
// opened or read, or the source's count.
int read_static_source(StaticSource &source, int32_t *counter)
{
    StaticState state = {source.paths, 0, false, counter, nullptr, false};
    RecordBatch one;
    for (size_t applied = 0;; ++applied) {
        if (applied == read_ahead_after()) {
            apply_rest(state, source);
            break;
        }
        one.clear();
        if (!prepare_next(source, one, 1))
            break;
        if (one.records.empty())
            continue;  // a line number or a scope, followed already
        describe_node_texts(one);
        apply_static_record(state, one.records[0], one);
    }
    if (source.owned)
        trace_close(source.stream);
    return state.failed ? state.current : source.count;
}

}  // namespace

int read_static_stream(TraceStream *stream, const char *path, int32_t *counter)
{
    StaticSource source = {&path, 1, 0, stream, false, false, 1, 0};
    return read_static_source(source, counter) == 0 ? -1 : 0;
}

namespace {

// About how many distinct texts the traces hold, from their sizes: statements
// repeat, and generated sets of test traces have had one distinct text per
// 100 to 220 bytes. The guess only sizes the text table at the start (see
// reserve_text_table); up to a few million texts, a table of some tens of
// megabytes that lives while the traces are read.
size_t expected_texts(const char *const *paths, int count)
{
    uint64_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        struct stat status;
        if (stat(paths[i], &status) == 0 && S_ISREG(status.st_mode))
            bytes += static_cast<uint64_t>(status.st_size);
    }
    const uint64_t most = uint64_t(4) << 20;
    return static_cast<size_t>(std::min<uint64_t>(bytes / 192, most));
}

}  // namespace

int read_static_traces(const char *const *paths, int count, int32_t *counter)
{
    if (count <= 0)
        return count;
    reserve_text_table(expected_texts(paths, count));
    StaticSource source = {paths, count, 0, nullptr, false, false, 1, 0};
    return read_static_source(source, counter);
}

int read_static_trace(const char *path, int32_t *counter)
{
    return read_static_traces(&path, 1, counter) == 0 ? -1 : 0;
}
