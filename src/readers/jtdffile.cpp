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
#include "report/vocabulary.h"
#include "tree/tree.h"

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

TestNode *nearest_check(TestNode *node)
{
    for (int steps = 0; node && steps < short_climb; ++steps, node = node->parent)
        if (is_check_type(node->type))
            return node;
    if (!node)
        return nullptr;
    if (!check_memo.active) {
        for (; node; node = node->parent)
            if (is_check_type(node->type))
                return node;
        return nullptr;
    }
    return nearest_check_memoised(node);
}

void retype_as_stub(TestNode *node)
{
    if (is_check_type(node->type))
        check_memo.nearest.clear();
    node->type = NODE_STUB;
}

bool marks_stub(uint32_t status_code)
{
    return status_code == 100 || status_code == 101 || status_code == 157;
}

struct DynamicState {
    int32_t file_number = -1;
    TestNode *context = nullptr;
    TestNode *method = nullptr;
    uint32_t status_code = 0;
    int result_kind = RESULT_NONE;
    std::vector<TestNode *> saved_contexts;
    InstanceList instances;
};

// A result for the static node with this identifier, placed on the node
// itself when the context is its parent, else on a copy under the context.
void place_result(DynamicState &state, uint32_t identifier, const char *raw_message)
{
    TestNode *model = find_node(state.file_number, identifier);
    TestNode *target = nullptr;
    if (model && state.context) {
        target = find_equal_child(state.context, model);
        if (!target)
            target = append_copy(state.context, model);
    }
    if (!target)
        return;
    // Only a Print shows its messages in the report; on any other node a
    // message would be kept for nothing, and memory would grow with the
    // length of the trace instead of the size of the tree. A viewer may ask
    // for the messages of every check (keep_check_messages).
    if (raw_message && (target->type == NODE_PRINT || (check_messages_kept && is_check_type(target->type)))) {
        if (char *message = decode_text(raw_message))
            add_message(target, message);
    }
    apply_result(target, state.result_kind);
}

void set_status(DynamicState &state, uint32_t code)
{
    state.status_code = code;
    state.result_kind = result_kind_of(code);
}

void apply_dynamic_record(DynamicState &state, const DynamicRecord &record, const char *raw_text)
{
    switch (record.kind) {
    case DYNAMIC_SF:
        bind_dynamic_file(static_cast<int32_t>(record.numbers[0]), record.numbers[1], record.numbers[2]);
        state.file_number = file_number_for_dynamic(static_cast<int32_t>(record.numbers[0]));
        break;
    case DYNAMIC_CS:
        state.file_number = file_number_for_dynamic(static_cast<int32_t>(record.numbers[0]));
        break;
    case DYNAMIC_NI:
        instance_remember(state.instances, record.numbers[0], record.numbers[1], state.file_number);
        state.context = find_node(state.file_number, record.numbers[0]);
        break;
    case DYNAMIC_ST:
        set_status(state, record.numbers[0]);
        break;
    case DYNAMIC_CI: {
        const InstanceTarget *instance = instance_find(state.instances, record.numbers[0]);
        state.context = instance ? find_node(instance->file_number, instance->identifier) : nullptr;
        break;
    }
    case DYNAMIC_GL:
        set_status(state, record.numbers[0]);
        place_result(state, record.numbers[1], nullptr);
        break;
    case DYNAMIC_NO_WITH_ID:
        place_result(state, record.numbers[0], raw_text);
        break;
    case DYNAMIC_ME:
        state.saved_contexts.push_back(state.context);
        state.method = find_node(state.file_number, record.numbers[0]);
        break;
    case DYNAMIC_MR:
        if (!state.saved_contexts.empty()) {
            state.context = state.saved_contexts.back();
            state.saved_contexts.pop_back();
        }
        state.method = nullptr;
        break;
    case DYNAMIC_NO_TEXT_ONLY:
        if (state.method) {
            apply_result(state.method, state.result_kind);
            if (marks_stub(state.status_code) && state.method->parent)
                retype_as_stub(state.method->parent);
        } else if (state.context) {
            apply_result(state.context, state.result_kind);
        }
        break;
    default:
        break;
    }
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

}  // namespace

void keep_check_messages(bool keep)
{
    check_messages_kept = keep;
}

int result_kind_of(uint32_t status_code)
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

RawNote split_note(const char *rest)
{
    if (rest[0] == '"')
        return {DYNAMIC_NO_TEXT_ONLY, 0, rest};
    char *first_word = nth_field(rest, ' ', 1);
    const uint32_t identifier = first_word ? parse_unsigned_field(first_word, 16) : 0;
    mem_free(first_word);
    if (identifier == 0)
        return {DYNAMIC_IGNORED, 0, nullptr};
    const char *space = strchr(rest, ' ');
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
    if (keyword[0] && keyword[1] && !keyword[2]) {
        switch (static_cast<unsigned char>(keyword[0]) << 8 | static_cast<unsigned char>(keyword[1])) {
        case 'S' << 8 | 'F': record.kind = DYNAMIC_SF; break;
        case 'C' << 8 | 'S': record.kind = DYNAMIC_CS; break;
        case 'N' << 8 | 'I': record.kind = DYNAMIC_NI; break;
        case 'S' << 8 | 'T': record.kind = DYNAMIC_ST; break;
        case 'N' << 8 | 'O': record.kind = DYNAMIC_NO_WITH_ID; break;
        case 'C' << 8 | 'I': record.kind = DYNAMIC_CI; break;
        case 'G' << 8 | 'L': record.kind = DYNAMIC_GL; break;
        case 'M' << 8 | 'E': record.kind = DYNAMIC_ME; break;
        case 'M' << 8 | 'R': record.kind = DYNAMIC_MR; break;
        default: break;
        }
    }

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
    if (!check->extension)
        return;
    switch (kind) {
    case RESULT_EXECUTED: ++check->extension->total_count; break;
    case RESULT_PASSED: ++check->extension->pass_count; break;
    case RESULT_FAILED: ++check->extension->fail_count; break;
    case RESULT_ENTRY: ++check->extension->entry_count; break;
    default: break;
    }
}

namespace {

// Past the first records, the rest of a trace is read on a second thread
// (read_ahead.h) while this one places them.
const size_t batch_records = 4096;

struct RecordBatch {
    std::vector<DynamicRecord> records;
    std::vector<uint32_t> text_at;  // per record: its raw note text in texts
    BatchTexts texts;

    void clear()
    {
        records.clear();
        text_at.clear();
        texts.clear();
    }
};

void apply_rest(DynamicState &state, TraceStream *stream)
{
    char note_buffer[TOKEN_BUFFER_SIZE];
    read_ahead<RecordBatch>(
        [&](RecordBatch &batch) {
            while (batch.records.size() < batch_records) {
                if (trace_eof(stream))
                    return false;
                const char *raw_text = nullptr;
                batch.records.push_back(read_record(stream, note_buffer, &raw_text));
                batch.text_at.push_back(batch.texts.keep(raw_text));
            }
            return true;
        },
        [&](const RecordBatch &batch) {
            for (size_t i = 0; i < batch.records.size(); ++i)
                apply_dynamic_record(state, batch.records[i], batch.texts.at(batch.text_at[i]));
        });
}

}  // namespace

int read_dynamic_stream(TraceStream *stream)
{
    DynamicState state;
    check_memo.nearest.clear();
    check_memo.active = true;
    char note_buffer[TOKEN_BUFFER_SIZE];
    size_t applied = 0;
    for (; !trace_eof(stream); ++applied) {
        if (applied == read_ahead_after()) {
            apply_rest(state, stream);
            break;
        }
        const char *raw_text = nullptr;
        const DynamicRecord record = read_record(stream, note_buffer, &raw_text);
        apply_dynamic_record(state, record, raw_text);
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
