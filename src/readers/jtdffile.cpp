// The dynamic trace reader. It binds the trace's file numbers to the static
// sections, follows the current instance (context node) and method, and puts
// every reported result on its static node, or on a copy of that node under
// the context in which it ran, counting it on the nearest check node.
//
// All per-event work is expected constant time: the instance list is two flat
// hash tables (duplicate test and "newest entry per key"), the context stack is
// a vector without a fixed bound, and the climb to the nearest check node is
// memoised for long climbs so that deep trees do not make events costly.
#include "readers/jtdffile.h"

#include "diagnostics/memory.h"
#include "readers/instance_list.h"
#include "readers/read_ahead.h"
#include "readers/scan.h"
#include "tree/node_types.h"
#include "tree/tree.h"

#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

// Nearest check node above long non-check chains, valid while the reader
// runs; emptied when a check node is retyped (the only change that moves an
// answer, since parent links never change).
struct CheckMemo {
    bool active = false;
    std::unordered_map<TestNode *, TestNode *> nearest;
};

CheckMemo check_memo;

bool check_messages_kept = false;

const int short_climb = 32;

TestNode *nearest_check_memoised(TestNode *start)
{
    std::vector<TestNode *> path;
    TestNode *answer = nullptr;
    for (TestNode *node = start; node; node = node->parent) {
        if (is_check_type(node->type)) {
            answer = node;
            break;
        }
        auto known = check_memo.nearest.find(node);
        if (known != check_memo.nearest.end()) {
            answer = known->second;
            break;
        }
        path.push_back(node);
    }
    for (TestNode *node : path)
        check_memo.nearest[node] = answer;
    return answer;
}

// The climb past short_climb nodes: kept out of line, so that the short
// climb, which nearly every result takes, saves few registers.
__attribute__((noinline)) TestNode *nearest_check_far(TestNode *node)
{
    if (!check_memo.active) {
        for (; node; node = node->parent)
            if (is_check_type(node->type))
                return node;
        return nullptr;
    }
    return nearest_check_memoised(node);
}

TestNode *nearest_check(TestNode *node)
{
    for (int steps = 0; node && steps < short_climb; ++steps, node = node->parent)
        if (is_check_type(node->type))
            return node;
    return node ? nearest_check_far(node) : nullptr;
}

void retype_as_stub(TestNode *node)
{
    if (is_check_type(node->type))
        check_memo.nearest.clear();
    node->type = NODE_STUB;
}

constexpr bool marks_stub(uint32_t status_code)
{
    return status_code == 100 || status_code == 101 || status_code == 157;
}

constexpr int result_kind_for(uint32_t status_code)
{
    switch (status_code) {
    case 100:
        return RESULT_ENTRY;
    case 101: case 150: case 154:
        return RESULT_PASSED;
    case 151: case 155: case 157: case 162: case 164:
        return RESULT_FAILED;
    case 165:
        return RESULT_EXECUTED;
    default:
        return RESULT_NONE;
    }
}

// A result of this kind counted on a check node's counters.
inline void count_result(CheckCounters &counters, int kind)
{
    switch (kind) {
    case RESULT_EXECUTED: ++counters.total_count; break;
    case RESULT_PASSED: ++counters.pass_count; break;
    case RESULT_FAILED: ++counters.fail_count; break;
    case RESULT_ENTRY: ++counters.entry_count; break;
    default: break;
    }
}

struct DynamicState {
    TestNode *context = nullptr;
    uint32_t context_at = 0;  // the context's reference, 0 for none
    TestNode *method = nullptr;
    std::vector<uint32_t> saved_contexts;  // references
    InstanceList instances;
};

void set_context(DynamicState &state, uint32_t reference)
{
    state.context_at = reference;
    state.context = reference ? node_at(reference) : nullptr;
}

// A result of the given kind for the static node model (or none), placed on
// the node itself when the context is its parent, else on a copy under the
// context. The message is a note's decoded text (length bytes), or null.
void place_result(DynamicState &state, TestNode *model, int result_kind, const char *message, size_t length)
{
    TestNode *target = nullptr;
    if (model && state.context) {
        target = find_equal_child_of_indexed(state.context, model);
        if (!target)
            target = append_copy_of_indexed(state.context, model);
    }
    if (!target)
        return;
    // Only a Print shows its messages in the report; on any other node a
    // message would be kept for nothing, and memory would grow with the
    // length of the trace instead of the size of the tree. A viewer may ask
    // for the messages of every check (keep_check_messages).
    if (message && (target->type == NODE_PRINT || (check_messages_kept && is_check_type(target->type))))
        add_message_bytes(target, message, length);
    apply_result(target, result_kind);
}

// A record as read: its kind, numbers and, for a note, its decoded text;
// then (follow_record) the result that the status in force gives it and the
// file number in force. Reading is the part that can run on the read-ahead
// thread; applying changes the tree. Texts live in the batch.
struct PreparedRecord {
    uint8_t kind;
    uint8_t result;        // result kind, with marks_stub_bit
    uint16_t text_length;  // a note's text is cut well below this bound
    uint32_t numbers[3];
    uint32_t text_at;  // in the batch's texts, or none
    int32_t file_number;
    uint32_t node;  // look_up_node's answer, once looked up before applying
};

const uint8_t marks_stub_bit = 0x80;
// Set, with the result, on a note whose text is not plain and is kept as it
// stands in the trace (keep_raw_text) until look_up_nodes knows the type its
// node was made with: it then decodes the text or drops it (settle_raw_text).
// Applying never sees it.
const uint8_t raw_text_bit = 0x40;

using RecordBatch = RecordBatchOf<PreparedRecord>;

// A note's text of up to eight bytes kept in numbers[1] and numbers[2]
// instead of in the batch: the identifier's digits of a note without a text,
// the commonest note of all.
const uint32_t digits_in_record = BatchTexts::none - 1;

// A note record's text (record.text_length bytes), or null; room holds the
// copy of a text kept in the record.
const char *note_text(const PreparedRecord &record, const RecordBatch &batch, char (&room)[9])
{
    if (record.text_at != digits_in_record)
        return batch.texts.at(record.text_at);
    memcpy(room, &record.numbers[1], 8);
    room[record.text_length] = '\0';
    return room;
}

// The file sections are bound ("SF"), the file number chosen ("CS") and the
// status set ("ST") as the records are read, on the read-ahead thread: each
// record then carries the file number and the result in force, and these
// records are not handed over at all. The nodes the records name are looked
// up a batch at a time (look_up_nodes), on whichever thread read_ahead gives
// that step to. The thread that applies records never touches the file list.
// The reading thread reads and writes this for every record, and it is a
// local of the applying thread's frame: on a cache line of its own, it shares
// none with what the applying thread writes (a shared line moved between the
// two processors on every record, and took nearly a tenth of the reading
// thread's time).
struct alignas(64) ReadingState {
    int32_t file_number = -1;
    uint8_t result = RESULT_NONE;  // as PreparedRecord::result
};

constexpr uint8_t status_result(uint32_t code)
{
    return static_cast<uint8_t>(result_kind_for(code) | (marks_stub(code) ? marks_stub_bit : 0));
}

// status_result for the codes below 256, which every status has in practice:
// one read instead of a search among the codes on every "ST" line.
constexpr std::array<uint8_t, 256> make_status_results()
{
    std::array<uint8_t, 256> results{};
    for (uint32_t code = 0; code < 256; ++code)
        results[code] = status_result(code);
    return results;
}

constexpr std::array<uint8_t, 256> status_results = make_status_results();

void set_status(ReadingState &reading, uint32_t code)
{
    reading.result = code < 256 ? status_results[code] : status_result(code);
}

bool names_node(const PreparedRecord &record)
{
    // One test of a bit rather than a chain of comparisons on a kind that
    // varies from record to record.
    const unsigned naming = 1u << DYNAMIC_NI | 1u << DYNAMIC_ME | 1u << DYNAMIC_NO_WITH_ID | 1u << DYNAMIC_GL;
    return (naming >> (record.kind & 31)) & 1;
}

// The identifier of the static node a record names (names_node).
uint32_t named_identifier(const PreparedRecord &record)
{
    return record.kind == DYNAMIC_GL ? record.numbers[1] : record.numbers[0];
}

// Follows a record just read with the reading state and completes it; false
// when that leaves nothing for applying to do ("SF", "CS", "ST" and the
// records that are ignored): such records are not kept.
inline bool follow_record(ReadingState &reading, PreparedRecord &record)
{
    switch (record.kind) {
    case DYNAMIC_SF:
        bind_dynamic_file(static_cast<int32_t>(record.numbers[0]), record.numbers[1], record.numbers[2]);
        reading.file_number = file_number_for_dynamic(static_cast<int32_t>(record.numbers[0]));
        return false;
    case DYNAMIC_CS:
        reading.file_number = file_number_for_dynamic(static_cast<int32_t>(record.numbers[0]));
        return false;
    case DYNAMIC_ST:
        set_status(reading, record.numbers[0]);
        return false;
    case DYNAMIC_GL:
        set_status(reading, record.numbers[0]);
        [[fallthrough]];
    case DYNAMIC_NO_WITH_ID:
    case DYNAMIC_NO_TEXT_ONLY:
    case DYNAMIC_NI:
    case DYNAMIC_ME:
    case DYNAMIC_CI:
    case DYNAMIC_MR:
        record.result = reading.result;
        record.file_number = reading.file_number;
        return true;
    default:
        return false;
    }
}

// The reference of the static node a record names (names_node), 0 for none.
uint32_t look_up_node(const PreparedRecord &record)
{
    return names_node(record) ? find_node_reference(record.file_number, named_identifier(record)) : 0;
}

// The index's arrays for one file number after another, fetched again only
// when the file number changes.
struct SectionViews {
    int32_t file_number = -1;
    IndexView view = index_view(-1);

    const IndexView &of(int32_t wanted)
    {
        if (wanted != file_number) {
            file_number = wanted;
            view = index_view(wanted);
        }
        return view;
    }
};

void settle_raw_text(RecordBatch &batch, PreparedRecord &record, const IndexView &view);

// look_up_node for every record of a batch, on either thread (the index does
// not change while a dynamic trace is read: copies share their models' keys
// and are never indexed, and binding file sections touches only the file
// list). The index entries are fetched 16 records ahead, so that the cache
// misses of several look-ups overlap, and read when their record comes.
void look_up_nodes(RecordBatch &batch)
{
    RecordSlots<PreparedRecord> &records = batch.records;
    const size_t count = records.size();
    const size_t ahead = 16;
    SectionViews ahead_views, views;
    // Every record's slot is fetched, whether or not it names a node: no
    // test of the kind, which varies from record to record, to guess.
    const auto fetch = [&records, &ahead_views](size_t i) {
        const PreparedRecord &record = records[i];
        const IndexView &view = ahead_views.of(record.file_number);
        const uint32_t identifier = named_identifier(record);
        if (identifier < view.size) {
            __builtin_prefetch(view.references + identifier);
            if (record.result & raw_text_bit)
                __builtin_prefetch(view.made_types + identifier);
        }
    };
    // A change of file section needs the section's arrays (index_view),
    // fetched in turn ahead_views_by records further ahead.
    const size_t ahead_views_by = 32;
    const auto fetch_views = [&records](size_t i) {
        if (records[i].file_number != records[i - 1].file_number)
            prefetch_index_view(records[i].file_number);
    };
    if (count)
        prefetch_index_view(records[0].file_number);
    for (size_t i = 1; i < ahead + ahead_views_by && i < count; ++i)
        fetch_views(i);
    for (size_t i = 0; i < ahead && i < count; ++i)
        fetch(i);
    for (size_t i = 0; i < count; ++i) {
        if (i + ahead + ahead_views_by < count)
            fetch_views(i + ahead + ahead_views_by);
        if (i + ahead < count)
            fetch(i + ahead);
        PreparedRecord &record = records[i];
        const IndexView &view = views.of(record.file_number);
        const uint32_t identifier = named_identifier(record);
        const bool names = names_node(record);
        uint32_t reference = identifier < view.size ? view.references[identifier] : 0;
        reference = names ? reference : 0;
        if (names && !reference)  // an identifier beyond the section's array, or none
            reference = find_node_reference(record.file_number, identifier);
        record.node = reference;
        if (record.result & raw_text_bit)
            settle_raw_text(batch, record, view);
    }
}

// A record whose node has been looked up (look_up_node).
void apply_dynamic_record(DynamicState &state, const PreparedRecord &record, const RecordBatch &batch)
{
    TestNode *const named = record.node ? node_at(record.node) : nullptr;
    const int result_kind = record.result & ~marks_stub_bit;
    switch (record.kind) {
    case DYNAMIC_NI:
        instance_remember(state.instances, record.numbers[0], record.numbers[1], record.file_number, record.node);
        set_context(state, record.node);
        break;
    case DYNAMIC_CI: {
        const InstanceTarget *instance = instance_find(state.instances, record.numbers[0]);
        set_context(state, instance ? instance->node : 0);
        break;
    }
    case DYNAMIC_GL:
        place_result(state, named, result_kind, nullptr, 0);
        break;
    case DYNAMIC_NO_WITH_ID: {
        char room[9];
        place_result(state, named, result_kind, note_text(record, batch, room), record.text_length);
        break;
    }
    case DYNAMIC_ME:
        state.saved_contexts.push_back(state.context_at);
        state.method = named;
        break;
    case DYNAMIC_MR:
        if (!state.saved_contexts.empty()) {
            set_context(state, state.saved_contexts.back());
            state.saved_contexts.pop_back();
        }
        state.method = nullptr;
        break;
    case DYNAMIC_NO_TEXT_ONLY:
        if (state.method) {
            apply_result(state.method, result_kind);
            if ((record.result & marks_stub_bit) && state.method->parent)
                retype_as_stub(state.method->parent);
        } else if (state.context) {
            apply_result(state.context, result_kind);
        }
        break;
    default:
        break;
    }
}

// apply_dynamic_record for the commonest records of all, a note ("NO" with
// an identifier) or a result ("GL") for a check node whose parent is the
// context: the result is placed on the node itself (place_result), and the
// node is its own nearest check node (apply_result). Kept to the few steps
// that case takes; false, with nothing done, for any other record.
inline __attribute__((always_inline)) bool apply_in_place(const DynamicState &state, const PreparedRecord &record,
                                                         const RecordBatch &batch)
{
    const unsigned placing = 1u << DYNAMIC_NO_WITH_ID | 1u << DYNAMIC_GL;
    if (!record.node || !((placing >> (record.kind & 31)) & 1))
        return false;
    TestNode *const node = node_at(record.node);
    if (node->parent.at != state.context_at || !state.context_at || !is_check_type(node->type))
        return false;
    if (record.kind == DYNAMIC_NO_WITH_ID && record.text_at != BatchTexts::none
        && (node->type == NODE_PRINT || check_messages_kept)) {
        char room[9];
        add_message_bytes(node, note_text(record, batch, room), record.text_length);
    }
    state.context->status = VERDICT_EXECUTED;
    node->status = VERDICT_EXECUTED;
    if (node->extension)
        count_result(*node->extension, record.result & ~marks_stub_bit);
    return true;
}

// "NO": a quoted text alone, or an identifier, a space and a quoted text.
void read_note(TraceStream *stream, DynamicRecord &record)
{
    char rest[TOKEN_BUFFER_SIZE];
    read_token_into(stream, '\n', rest);
    const RawNote note = split_note(rest);
    record.kind = note.kind;
    record.numbers[0] = note.identifier;
    record.text = note.raw_text ? decode_text(note.raw_text) : nullptr;
}

inline uint8_t dynamic_record_kind(char first, char second)
{
    switch (static_cast<unsigned char>(first) << 8 | static_cast<unsigned char>(second)) {
    case 'S' << 8 | 'F': return DYNAMIC_SF;
    case 'C' << 8 | 'S': return DYNAMIC_CS;
    case 'N' << 8 | 'I': return DYNAMIC_NI;
    case 'S' << 8 | 'T': return DYNAMIC_ST;
    case 'N' << 8 | 'O': return DYNAMIC_NO_WITH_ID;
    case 'C' << 8 | 'I': return DYNAMIC_CI;
    case 'G' << 8 | 'L': return DYNAMIC_GL;
    case 'M' << 8 | 'E': return DYNAMIC_ME;
    case 'M' << 8 | 'R': return DYNAMIC_MR;
    default: return DYNAMIC_IGNORED;
    }
}

}  // namespace

void keep_check_messages(bool keep)
{
    check_messages_kept = keep;
}

int result_kind_of(uint32_t status_code)
{
    return result_kind_for(status_code);
}

RawNote split_note(const char *rest)
{
    if (rest[0] == '"')
        return {DYNAMIC_NO_TEXT_ONLY, 0, rest};
    // The first word, as nth_field(rest, ' ', 1) gives it.
    const char *space = strchr(rest, ' ');
    const size_t word = space ? static_cast<size_t>(space - rest) : strlen(rest);
    const uint32_t identifier = parse_unsigned_bytes(rest, word, 16);
    if (identifier == 0)
        return {DYNAMIC_IGNORED, 0, nullptr};
    if (!space)
        return {DYNAMIC_NO_WITH_ID, identifier, rest};
    if (space[1] != '\0' && space[2] != '\0')
        return {DYNAMIC_NO_WITH_ID, identifier, space + 2};
    return {DYNAMIC_NO_WITH_ID, identifier, nullptr};
}

// One record. With note_buffer given, a "NO" record's text is left raw in
// *raw_text (pointing into the buffer) instead of being decoded into text.
static DynamicRecord read_record(TraceStream *stream, char *note_buffer, const char **raw_text)
{
    DynamicRecord record = {DYNAMIC_IGNORED, {0, 0, 0}, nullptr};
    char keyword[TOKEN_BUFFER_SIZE];
    read_token_into(stream, ' ', keyword);
    // Every keyword is two letters: one comparison of both bytes each.
    if (keyword[0] && keyword[1] && !keyword[2])
        record.kind = dynamic_record_kind(keyword[0], keyword[1]);

    switch (record.kind) {
    case DYNAMIC_SF:
        record.numbers[0] = read_number_field(stream, ' ', 16);
        record.numbers[1] = read_number_field(stream, ' ', 16);
        record.numbers[2] = read_number_field(stream, '\n', 16);
        break;
    case DYNAMIC_NI:
    case DYNAMIC_GL:
    case DYNAMIC_ME:
        record.numbers[0] = read_number_field(stream, ' ', 16);
        record.numbers[1] = read_number_field(stream, '\n', 16);
        break;
    case DYNAMIC_CS:
    case DYNAMIC_ST:
    case DYNAMIC_CI:
        record.numbers[0] = read_number_field(stream, '\n', 16);
        break;
    case DYNAMIC_NO_WITH_ID:
        if (note_buffer) {
            read_token_into(stream, '\n', note_buffer);
            const RawNote note = split_note(note_buffer);
            record.kind = note.kind;
            record.numbers[0] = note.identifier;
            *raw_text = note.raw_text;
        } else {
            read_note(stream, record);
        }
        break;
    default:  // "MR" and unknown keywords: the rest of the line is ignored
        skip_until_char(stream, '\n');
        break;
    }
    return record;
}

DynamicRecord read_dynamic_record(TraceStream *stream)
{
    return read_record(stream, nullptr, nullptr);
}

void apply_result(TestNode *node, int kind)
{
    if (!node)
        return;
    if (kind == RESULT_EXECUTED)
        node->status = VERDICT_EXECUTED;
    else if (kind == RESULT_FAILED)
        node->status = VERDICT_FAILED;
    if (node->parent)
        node->parent->status = VERDICT_EXECUTED;
    TestNode *check = nearest_check(node);
    if (!check)
        return;
    check->status = VERDICT_EXECUTED;
    if (check->extension)
        count_result(*check->extension, kind);
}

namespace {

// Whether a note for a static node made with this type may have its text
// kept by place_result: only when the node was made a Print (or a check
// node, when their messages are kept). Retyping only ever makes a node a
// stub, and a copy takes its model's type, so a node made with another type
// never takes a message. The text of any other note is not decoded, and
// reaches the applying thread only if it is plain (see read_plain_line).
bool text_wanted_on(int made_type)
{
    return made_type == unknown_made_type || made_type == NODE_PRINT
           || (check_messages_kept && is_check_type(made_type));
}

// text_wanted_on for the node a note for identifier names, read under the
// reading state.
bool note_text_wanted(const ReadingState &reading, uint32_t identifier)
{
    return text_wanted_on(indexed_made_type(reading.file_number, identifier));
}

// Whether a record's text is kept: only a note for a node may have its text
// placed (a note without an identifier only counts its result).
bool keeps_text(const ReadingState &reading, const PreparedRecord &record)
{
    return record.kind == DYNAMIC_NO_WITH_ID && note_text_wanted(reading, record.numbers[0]);
}

// Decodes a note's raw text into the batch.
void keep_note_text(RecordBatch &batch, PreparedRecord &record, const char *raw, size_t length)
{
    ByteBuffer &bytes = batch.texts.bytes;
    const size_t at = bytes.size();
    if (!decode_escaped_text_into(raw, length, bytes))
        return;
    record.text_at = static_cast<uint32_t>(at);
    record.text_length = static_cast<uint16_t>(bytes.size() - at);
    bytes.push_back('\0');
}

// A note's text kept raw (raw_text_bit), decoded into the batch where the
// node's made type may take it (text_wanted_on), else dropped.
__attribute__((noinline)) void settle_raw_text(RecordBatch &batch, PreparedRecord &record, const IndexView &view)
{
    record.result &= static_cast<uint8_t>(~raw_text_bit);
    const uint32_t identifier = record.numbers[0];
    const int made_type = identifier < view.size && view.made_types[identifier]
                              ? view.made_types[identifier]
                              : indexed_made_type(record.file_number, identifier);
    const size_t length = record.text_length;
    const uint32_t raw_at = record.text_at;
    record.text_at = BatchTexts::none;
    record.text_length = 0;
    // keep_raw_text cuts a text below TOKEN_BUFFER_SIZE bytes. It is copied
    // out first: decoding appends to the buffer that holds it.
    char raw[TOKEN_BUFFER_SIZE];
    if (!text_wanted_on(made_type) || length >= sizeof raw)
        return;
    memcpy(raw, batch.texts.at(raw_at), length);
    keep_note_text(batch, record, raw, length);
}

// A note's text copied into the batch as it stands, with its NUL.
void keep_text_as_is(RecordBatch &batch, PreparedRecord &record, const char *text, size_t length)
{
    ByteBuffer &bytes = batch.texts.bytes;
    record.text_at = static_cast<uint32_t>(bytes.size());
    record.text_length = static_cast<uint16_t>(length);
    bytes.append(text, length);
    bytes.push_back('\0');
}

// The rest of a note for a node, a text that is not plain (q is past the
// identifier's blank): the text as it stands, cut as the general reading
// cuts it (1023 bytes after the keyword, or at a NUL), copied into the batch
// for settle_raw_text to decode or drop (the caller marks it raw_text_bit).
// Looking up the node's made type here would take a cache miss or two per
// such note on the reading thread; look_up_nodes fetches it ahead with the
// node. The position past the line, or null when the line does not end in
// the buffer.
__attribute__((noinline)) const char *keep_raw_text(RecordBatch &batch, const char *line, const char *q,
                                                    const char *end, PreparedRecord &record)
{
    const char *line_end = static_cast<const char *>(memchr(q, '\n', static_cast<size_t>(end - q)));
    if (!line_end)
        return nullptr;
    const char *const rest_end = line + 3 + token_length(line + 3, static_cast<size_t>(line_end - (line + 3)));
    if (rest_end - q > 1)  // more than the opening quote
        keep_text_as_is(batch, record, q + 1, static_cast<size_t>(rest_end - (q + 1)));
    return line_end + 1;
}

// One line of the runs below (line is a two-letter keyword and a blank; end
// is the buffer's end): the position past it, or null for a line that the
// general reading takes.
const char *read_plain_line(ReadingState &reading, RecordBatch &batch, const char *line, const char *end,
                            PreparedRecord &record)
{
    // A blank, a line end or a NUL in the keyword gives no record kind
    // here: the general reading handles those lines.
    record = {dynamic_record_kind(line[0], line[1]), 0, 0, {0, 0, 0}, BatchTexts::none, 0, 0};
    const char *q = line + 3;
    // A line read here is followed here too (follow_record, inlined for the
    // kind at hand), and marked ignored when it is not to be kept.
    const auto followed = [&reading, &record](const char *next) {
        if (!follow_record(reading, record))
            record.kind = DYNAMIC_IGNORED;
        return next;
    };
    switch (record.kind) {
    case DYNAMIC_CS:
    case DYNAMIC_ST:
    case DYNAMIC_CI:
        return plain_hex_field(q, end, '\n', record.numbers[0]) ? followed(q) : nullptr;
    case DYNAMIC_NI:
    case DYNAMIC_GL:
    case DYNAMIC_ME:
        return plain_hex_field(q, end, ' ', record.numbers[0]) && plain_hex_field(q, end, '\n', record.numbers[1])
                   ? followed(q) : nullptr;
    case DYNAMIC_NO_WITH_ID: {
        if (!plain_hex_field(q, end, '\n', record.numbers[0])) {
            // An identifier and a text.
            if (!plain_hex_field(q, end, ' ', record.numbers[0]))
                return nullptr;
            if (record.numbers[0] != 0) {
                // A plain text is kept whatever the note names: copying it
                // costs less than looking up the type its node was made
                // with, and placing the note drops a text that no Print
                // takes (place_result). Any other text is decoded only
                // where it may be kept, once look_up_nodes knows.
                const char *closing = plain_quoted_text_end(q, end - (line + 3) > 1024 ? line + 3 + 1024 : end);
                if (closing) {
                    keep_text_as_is(batch, record, q + 1, static_cast<size_t>(closing - q - 1));
                    return followed(closing + 2);
                }
                const char *next = keep_raw_text(batch, line, q, end, record);
                if (!next)
                    return nullptr;
                followed(next);  // sets the result: the mark goes on after it
                if (record.text_at != BatchTexts::none)
                    record.result |= raw_text_bit;
                return next;
            }
            // A note without an identifier: the record ends with the line,
            // whatever the line holds.
            const char *line_end = static_cast<const char *>(memchr(q, '\n', static_cast<size_t>(end - q)));
            if (!line_end)
                return nullptr;
            if (record.numbers[0] == 0)
                record.kind = DYNAMIC_IGNORED;
            return followed(line_end + 1);
        }
        // An identifier alone: the note's text is the identifier's
        // digits, which decode to themselves. They travel in the record
        // itself (see note_text).
        if (record.numbers[0] == 0) {
            record.kind = DYNAMIC_IGNORED;
            return followed(q);
        }
        const size_t digits = static_cast<size_t>(q - 1 - (line + 3));
        if (end - (line + 3) >= 8) {
            // Eight bytes in one move, the ones past the digits cleared.
            uint64_t word;
            memcpy(&word, line + 3, 8);
            word &= digits == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * digits)) - 1;
            memcpy(&record.numbers[1], &word, 8);
        } else {
            memcpy(&record.numbers[1], line + 3, digits);
        }
        record.text_at = digits_in_record;
        record.text_length = static_cast<uint16_t>(digits);
        return followed(q);
    }
    case DYNAMIC_MR:
        return q != end && *q == '\n' ? followed(q + 1) : nullptr;
    default:
        return nullptr;
    }
}

// Reads, straight off the buffer, the run of common records made of plain
// number fields ("ST 65", "NO 5d", "GL 96 5", "MR ") and of notes with a
// plain text ("NO 5d \"entering\"") that starts at the stream's position,
// up to limit records in the batch; stops before the first other line, which
// the general reading takes.
void prepare_plain_lines(ReadingState &reading, TraceStream *stream, RecordBatch &batch, size_t limit)
{
    read_line_run(stream, batch.records, limit,
                  [&reading, &batch](const char *line, const char *end, PreparedRecord &record) -> const char * {
        return read_plain_line(reading, batch, line, end, record);
    }, [](const PreparedRecord &record) { return record.kind != DYNAMIC_IGNORED; });
}

// The record on one whole line in the stream's buffer, read exactly as the
// primitives read it (read_record), into record, the batch's last; false,
// with nothing read, when a field would take them past the line:
// read_record reads it then.
bool read_dynamic_line(const ReadingState &reading, TraceStream *stream, RecordBatch &batch,
                       PreparedRecord &record)
{
    const char *line = reinterpret_cast<const char *>(stream->position);
    if (stream->end - stream->position < 4 || line[2] != ' ' || line[0] == ' ' || line[1] == ' '
        || line[0] == '\n' || line[1] == '\n')
        return false;
    record = {DYNAMIC_IGNORED, 0, 0, {0, 0, 0}, BatchTexts::none, 0, 0};
    // A NUL in the keyword ends it short of two letters: no record kind.
    if (line[0] && line[1])
        record.kind = dynamic_record_kind(line[0], line[1]);
    const char *p = line + 3;
    const char *end = buffered_line_end(stream);
    if (!end)
        return false;
    const auto find_space = [end](const char *from) {
        return from < end ? static_cast<const char *>(memchr(from, ' ', static_cast<size_t>(end - from))) : nullptr;
    };
    const auto number = [](const char *from, const char *to) {
        return parse_unsigned_bytes(from, static_cast<size_t>(to - from), 16);
    };
    switch (record.kind) {
    case DYNAMIC_SF: {
        const char *first = find_space(p);
        const char *second = first ? find_space(first + 1) : nullptr;
        if (!second)
            return false;
        record.numbers[0] = number(p, first);
        record.numbers[1] = number(first + 1, second);
        record.numbers[2] = number(second + 1, end);
        break;
    }
    case DYNAMIC_NI:
    case DYNAMIC_GL:
    case DYNAMIC_ME: {
        const char *space = find_space(p);
        if (!space)
            return false;
        record.numbers[0] = number(p, space);
        record.numbers[1] = number(space + 1, end);
        break;
    }
    case DYNAMIC_CS:
    case DYNAMIC_ST:
    case DYNAMIC_CI:
        record.numbers[0] = number(p, end);
        break;
    case DYNAMIC_NO_WITH_ID: {
        // split_note on the rest of the line as read_token_into gives it.
        const char *rest_end = p + token_length(p, static_cast<size_t>(end - p));
        const char *text = nullptr;
        if (p < rest_end && *p == '"') {
            record.kind = DYNAMIC_NO_TEXT_ONLY;
            text = p;
        } else {
            const char *space = static_cast<const char *>(memchr(p, ' ', static_cast<size_t>(rest_end - p)));
            record.numbers[0] = number(p, space ? space : rest_end);
            if (record.numbers[0] == 0)
                record.kind = DYNAMIC_IGNORED;
            else if (!space)
                text = p;
            else if (rest_end - space > 2)
                text = space + 2;
        }
        if (text && keeps_text(reading, record))
            keep_note_text(batch, record, text, static_cast<size_t>(rest_end - text));
        break;
    }
    default:  // "MR" and unknown keywords: the rest of the line is ignored
        break;
    }
    stream->position = reinterpret_cast<const unsigned char *>(end + 1);
    return true;
}

// Reads the next record and keeps it in the batch if follow_record does.
// Records are made in place in the batch (see read_line_run).
void prepare_dynamic_record(ReadingState &reading, TraceStream *stream, RecordBatch &batch)
{
    PreparedRecord &record = batch.records.emplace_back();
    if (!read_dynamic_line(reading, stream, batch, record)) {
        char note_buffer[TOKEN_BUFFER_SIZE];
        const char *raw_text = nullptr;
        const DynamicRecord read = read_record(stream, note_buffer, &raw_text);
        record = {static_cast<uint8_t>(read.kind), 0, 0, {read.numbers[0], read.numbers[1], read.numbers[2]},
                  BatchTexts::none, 0, 0};
        if (raw_text && keeps_text(reading, record))
            keep_note_text(batch, record, raw_text, strlen(raw_text));
    }
    if (!follow_record(reading, record))
        batch.records.pop_back();
}

// Past the first records, the rest of a trace is read on a second thread
// (read_ahead.h) while this one places them.
const size_t batch_records = 16384;

bool fill_batch(ReadingState &reading, TraceStream *stream, RecordBatch &batch)
{
    batch.records.reserve(batch_records);
    bool more = true;
    for (;;) {
        prepare_plain_lines(reading, stream, batch, batch_records);
        if (batch.records.size() >= batch_records)
            break;
        if (trace_eof(stream)) {
            more = false;
            break;
        }
        prepare_dynamic_record(reading, stream, batch);
    }
    return more;
}

void apply_rest(ReadingState &reading, DynamicState &state, TraceStream *stream)
{
    read_ahead<RecordBatch>([&](RecordBatch &batch) { return fill_batch(reading, stream, batch); },
                            look_up_nodes, [&](const RecordBatch &batch) {
        // Most records change the node they name: it is fetched 8 records
        // ahead (and an instance record's slots too), so that the cache
        // misses of several records overlap.
        const RecordSlots<PreparedRecord> &records = batch.records;
        const size_t count = records.size();
        for (size_t i = 0; i < count; ++i) {
            if (i + 8 < count) {
                const PreparedRecord &later = records[i + 8];
                if (later.node)
                    prefetch_node(node_at(later.node));
                if (later.kind == DYNAMIC_NI)
                    instance_prefetch_remember(state.instances, later.numbers[0], later.numbers[1], later.file_number);
                else if (later.kind == DYNAMIC_CI)
                    instance_prefetch_find(state.instances, later.numbers[0]);
            }
            if (!apply_in_place(state, records[i], batch))
                apply_dynamic_record(state, records[i], batch);
        }
    });
}

}  // namespace

int read_dynamic_stream(TraceStream *stream)
{
    tree_texts_complete();  // copies share their models' texts
    ReadingState reading;
    DynamicState state;
    check_memo.nearest.clear();
    check_memo.active = true;
    RecordBatch one;
    for (size_t applied = 0; !trace_eof(stream); ++applied) {
        if (applied == read_ahead_after()) {
            apply_rest(reading, state, stream);
            break;
        }
        one.clear();
        prepare_dynamic_record(reading, stream, one);
        if (!one.records.empty()) {
            one.records[0].node = look_up_node(one.records[0]);
            apply_dynamic_record(state, one.records[0], one);
        }
    }
    check_memo.active = false;
    check_memo.nearest = {};
    return trace_error(stream) ? -1 : 0;
}

int read_dynamic_trace(const char *path)
{
    TraceStream *stream = trace_open(path);
    if (!stream)
        return -1;
    const int result = read_dynamic_stream(stream);
    trace_close(stream);
    return result;
}
