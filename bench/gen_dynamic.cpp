// Dynamic trace generation. The writer mirrors the reader's state (current
// file, context node, saved contexts of "ME") so that every "NO" and "GL" it
// writes lands where intended, and it counts the copies the reader will make:
// one per distinct (context, model) pair whose context is not the model's own
// parent. Every pass starts from the same random state, so repeated passes
// execute exactly the same things and reuse the copies of the first.
#include "gen_dynamic.h"

#include "gen_output.h"
#include "gen_random.h"
#include "gen_texts.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>
#include <utility>

namespace {

// A dynamic file number bound to no section: "CS" with it selects no file.
constexpr uint32_t UNBOUND_DYNAMIC_NUMBER = 0x7ff0;

const uint32_t pass_codes[] = {0x65, 0x65, 0x65, 0x65, 0x65, 0x65, 0x65, 0x96, 0x96, 0x9a};
const uint32_t fail_codes[] = {0x97, 0x97, 0x97, 0x97, 0x9b, 0x9b, 0x9d, 0xa2, 0xa2, 0xa4};
const uint32_t unlisted_codes[] = {0x00, 0x66, 0xc8, 0x12c}; // outside the status table

struct context_ref {
    int32_t section; // -1: no context node
    uint32_t id;
};

const context_ref NO_CONTEXT{-1, 0};

struct case_ref {
    uint32_t section;
    uint32_t scope; // index into section_info::scopes
};

struct dynamic_writer {
    trace_writer w;
    rng r;
    const trace_model *model;
    uint32_t pass = 0;
    int32_t current_section = -1;
    context_ref context = NO_CONTEXT;
    std::vector<context_ref> stack;
    uint32_t code = 0;
    bool code_known = false;
    std::vector<std::vector<uint32_t>> numbers; // dynamic numbers bound to each section
    uint32_t next_number = 1;
    std::vector<case_ref> announced; // test cases whose instance was announced by "NI"
    std::unordered_set<uint64_t> copies;
    dynamic_counts counts;
    std::string text;
};

uint32_t instance_key(uint32_t section, uint32_t scope_index)
{
    return mix32(section << 16 | scope_index);
}

// Scope indices stay below MAX_SECTION_IDENTIFIER, so these never collide.
uint32_t statement_context_key(uint32_t section)
{
    return mix32(section << 16 | 0xffff);
}

uint32_t unannounced_key(uint32_t section)
{
    return mix32(section << 16 | 0xfffe);
}

const section_info &section_of(const dynamic_writer &d, uint32_t s)
{
    return d.model->sections[s];
}

void select_section(dynamic_writer &d, uint32_t s)
{
    if (d.current_section == static_cast<int32_t>(s))
        return;
    std::vector<uint32_t> &numbers = d.numbers[s];
    if (numbers.empty() || (numbers.size() < 3 && rng_chance(d.r, 20))) {
        // A further number for a bound section makes the reader keep a copy entry.
        const uint32_t n = d.next_number++;
        numbers.push_back(n);
        const section_info &sec = section_of(d, s);
        if (d.pass == 0) {
            put_text(d.w, "SF ");
            put_hex(d.w, n);
            put_char(d.w, ' ');
            put_hex(d.w, sec.identity_first);
            put_char(d.w, ' ');
            put_hex(d.w, sec.identity_second);
        } else {
            put_text(d.w, "CS ");
            put_hex(d.w, n);
        }
    } else {
        put_text(d.w, "CS ");
        put_hex(d.w, numbers[rng_below(d.r, static_cast<uint32_t>(numbers.size()))]);
    }
    end_line(d.w);
    d.current_section = static_cast<int32_t>(s);
}

void set_status(dynamic_writer &d, uint32_t code)
{
    if (!d.code_known || d.code != code || rng_chance(d.r, 200)) {
        put_text(d.w, "ST ");
        put_hex(d.w, code);
        end_line(d.w);
    }
    d.code = code;
    d.code_known = true;
}

// Bookkeeping of a placed result: the reader's copy rule, and the message
// every "NO" with an identifier leaves (a bare one leaves its identifier).
void track_placement(dynamic_writer &d, const stmt_info &model, bool is_note, size_t message_length)
{
    if (d.current_section < 0 || d.context.section < 0)
        return;
    if (d.context.section != d.current_section || d.context.id != model.parent_id)
        d.copies.insert(uint64_t(uint32_t(d.context.section)) << 48 | uint64_t(d.context.id) << 32 |
                        uint64_t(uint32_t(d.current_section)) << 16 | model.id);
    if (is_note) {
        ++d.counts.messages;
        d.counts.message_bytes += message_length;
    }
}

// "NO <id>" or "NO <id> "<message>"" for a statement of the current section.
void note_node(dynamic_writer &d, uint32_t stmt_index, const std::string *message)
{
    const stmt_info &model = section_of(d, static_cast<uint32_t>(d.current_section)).stmts[stmt_index];
    put_text(d.w, "NO ");
    const uint64_t before = writer_bytes(d.w);
    put_hex(d.w, model.id);
    size_t length = static_cast<size_t>(writer_bytes(d.w) - before);
    if (message) {
        put_text(d.w, " \"");
        put_text(d.w, *message);
        put_char(d.w, '"');
        length = message->size();
    }
    end_line(d.w);
    track_placement(d, model, true, length);
}

void global_node(dynamic_writer &d, uint32_t code, uint32_t stmt_index)
{
    const stmt_info &model = section_of(d, static_cast<uint32_t>(d.current_section)).stmts[stmt_index];
    put_text(d.w, "GL ");
    put_hex(d.w, code);
    put_char(d.w, ' ');
    put_hex(d.w, model.id);
    end_line(d.w);
    d.code = code;
    d.code_known = true;
    track_placement(d, model, false, 0);
}

void note_text(dynamic_writer &d, const std::string &text)
{
    put_text(d.w, "NO \"");
    put_text(d.w, text);
    put_char(d.w, '"');
    end_line(d.w);
}

void new_instance(dynamic_writer &d, uint32_t id, uint32_t key)
{
    put_text(d.w, "NI ");
    put_hex(d.w, id);
    put_char(d.w, ' ');
    put_hex(d.w, key);
    end_line(d.w);
    d.context = d.current_section < 0 ? NO_CONTEXT : context_ref{d.current_section, id};
}

void current_instance(dynamic_writer &d, uint32_t key, context_ref target)
{
    put_text(d.w, "CI ");
    put_hex(d.w, key);
    end_line(d.w);
    d.context = target;
}

void method_entry(dynamic_writer &d, uint32_t id)
{
    put_text(d.w, "ME ");
    put_hex(d.w, id);
    put_char(d.w, ' ');
    put_hex(d.w, rng_below(d.r, 0x400));
    end_line(d.w);
    d.stack.push_back(d.context);
}

void method_return(dynamic_writer &d)
{
    // Keywords are read up to a space, across line ends: a record without
    // fields still needs the space after its keyword.
    put_text(d.w, "MR ");
    end_line(d.w);
    d.context = d.stack.back();
    d.stack.pop_back();
}

// A message in the character-set form: four quotes, the charset's name first,
// the payload in that charset (here Latin-1 bytes, not UTF-8).
void append_latin1_message(rng &r, std::string &out)
{
    static const char *const payloads[] = {"Caf\xe9 cr\xe8me", "Gr\xf6\xdf" "e", "na\xefve r\xe9sum\xe9",
                                           "\xc5ngstr\xf6m"};
    out += "\"ISO-8859-1\" \"";
    out += rng_pick(r, payloads);
    out += ' ';
    out += std::to_string(rng_below(r, 1000));
}

void run_statement(dynamic_writer &d, uint32_t stmt_index, bool fail)
{
    const stmt_kind kind = section_of(d, static_cast<uint32_t>(d.current_section)).stmts[stmt_index].kind;
    uint32_t code;
    bool with_message;
    if (is_print_kind(kind)) {
        code = fail ? 0x97 : rng_chance(d.r, 850) ? 0xa5 : 0x65;
        with_message = rng_chance(d.r, 900);
    } else if (kind == STMT_COMMENT) {
        code = 0xa5;
        with_message = false;
    } else if (fail) {
        code = rng_pick(d.r, fail_codes);
        with_message = rng_chance(d.r, 800);
    } else {
        const uint32_t p = rng_below(d.r, 1000);
        code = p < 20 ? 0x64 : p < 70 ? 0xa5 : p < 76 ? rng_pick(d.r, unlisted_codes) : rng_pick(d.r, pass_codes);
        with_message = rng_chance(d.r, 100);
    }
    if (!with_message && !is_print_kind(kind) && rng_chance(d.r, 120)) {
        global_node(d, code, stmt_index);
        return;
    }
    set_status(d, code);
    if (!with_message) {
        note_node(d, stmt_index, nullptr);
        return;
    }
    d.text.clear();
    if (rng_chance(d.r, 10))
        append_latin1_message(d.r, d.text);
    else
        append_message(d.r, kind, fail, d.text);
    note_node(d, stmt_index, &d.text);
}

// Checks of a helper class run from the test case's context: copies under it.
// Now and then the helper runs in an instance of its own (the static nodes).
void call_helper(dynamic_writer &d, uint32_t s, const scope_info &test_case, uint32_t case_index)
{
    const section_info &sec = section_of(d, s);
    const uint32_t helper_index = sec.helpers[rng_below(d.r, static_cast<uint32_t>(sec.helpers.size()))];
    const scope_info &helper = sec.scopes[helper_index];
    if (helper.stmt_count == 0)
        return;
    const bool own_context = rng_chance(d.r, 200);
    const bool as_method = rng_chance(d.r, 500);
    if (own_context)
        new_instance(d, helper.id, instance_key(s, helper_index));
    if (as_method)
        method_entry(d, helper.id);
    const uint32_t n = rng_between(d.r, 1, std::min<uint32_t>(3, helper.stmt_count));
    const uint32_t start = rng_below(d.r, helper.stmt_count - n + 1);
    for (uint32_t j = 0; j < n; ++j)
        run_statement(d, helper.first_stmt + start + j, rng_chance(d.r, 20));
    if (as_method)
        method_return(d);
    if (own_context)
        current_instance(d, instance_key(s, case_index), context_ref{static_cast<int32_t>(s), test_case.id});
}

// A call into a stub or mock method: "ME" on one of its statements, then notes
// without identifier, which count on that statement and make its scope a Stub.
void call_stub(dynamic_writer &d, uint32_t s, const std::vector<uint32_t> &scopes)
{
    const section_info &sec = section_of(d, s);
    const scope_info &stub = sec.scopes[scopes[rng_below(d.r, static_cast<uint32_t>(scopes.size()))]];
    if (stub.stmt_count == 0)
        return;
    method_entry(d, sec.stmts[stub.first_stmt + rng_below(d.r, stub.stmt_count)].id);
    set_status(d, 0x64);
    d.text.clear();
    append_call_note(d.r, true, d.text);
    note_text(d, d.text);
    set_status(d, rng_chance(d.r, 60) ? 0x9d : 0x65);
    d.text.clear();
    append_call_note(d.r, false, d.text);
    note_text(d, d.text);
    method_return(d);
}

void run_case(dynamic_writer &d, uint32_t s, uint32_t case_index, bool rerun)
{
    const section_info &sec = section_of(d, s);
    const scope_info &test_case = sec.scopes[case_index];
    const context_ref own{static_cast<int32_t>(s), test_case.id};
    select_section(d, s);
    const uint32_t key = instance_key(s, case_index);
    new_instance(d, test_case.id, key);
    if (!rerun)
        d.announced.push_back(case_ref{s, case_index});
    method_entry(d, test_case.id);

    const uint32_t count = test_case.stmt_count;
    const bool failing = rng_chance(d.r, 60);
    const bool crash = failing && rng_chance(d.r, 250);
    const uint32_t fail_at = count > 0 ? rng_below(d.r, count) : 0;
    bool crashed = false;
    for (uint32_t i = 0; i < count && !crashed;) {
        if (!sec.helpers.empty() && rng_chance(d.r, 80))
            call_helper(d, s, test_case, case_index);
        if (!sec.stubs.empty() && rng_chance(d.r, 60))
            call_stub(d, s, sec.stubs);
        if (!sec.mocks.empty() && rng_chance(d.r, 40))
            call_stub(d, s, sec.mocks);
        uint32_t body = 1, rounds = 1;
        if (rng_chance(d.r, 100)) { // a loop: the same checks in the same context
            body = rng_between(d.r, 1, std::min<uint32_t>(3, count - i));
            rounds = rng_between(d.r, 2, 16);
        }
        for (uint32_t round = 0; round < rounds; ++round)
            for (uint32_t j = 0; j < body; ++j)
                run_statement(d, test_case.first_stmt + i + j, failing && i + j == fail_at && round + 1 == rounds);
        i += body;
        crashed = crash && i > fail_at;
    }
    method_return(d);

    // Notes without identifier and without method node land on the context.
    if (crash) {
        set_status(d, rng_chance(d.r, 500) ? 0x9b : 0xa4);
        d.text.clear();
        append_message(d.r, STMT_CHECK, true, d.text);
        note_text(d, d.text);
    } else if (count == 0) {
        set_status(d, rng_chance(d.r, 800) ? 0xa5 : 0x97);
        note_text(d, "test body executed");
    }
    if (count == 0)
        return;

    // Checks of this test case run in another section's test-case instance.
    if (d.announced.size() > 1 && rng_chance(d.r, 150)) {
        const case_ref other = d.announced[rng_below(d.r, static_cast<uint32_t>(d.announced.size()))];
        if (other.section != s) {
            const uint32_t other_id = section_of(d, other.section).scopes[other.scope].id;
            current_instance(d, instance_key(other.section, other.scope),
                             context_ref{static_cast<int32_t>(other.section), other_id});
            const uint32_t n = rng_between(d.r, 1, 2);
            for (uint32_t j = 0; j < n; ++j)
                run_statement(d, test_case.first_stmt + rng_below(d.r, count), false);
            current_instance(d, key, own);
        }
    }
    // A statement as the context node: copies under a check node.
    if (count >= 2 && rng_chance(d.r, 20)) {
        new_instance(d, sec.stmts[test_case.first_stmt].id, statement_context_key(s));
        run_statement(d, test_case.first_stmt + 1 + rng_below(d.r, count - 1), false);
        current_instance(d, key, own);
    }
    // An instance nobody announced: no context, the result is dropped.
    if (rng_chance(d.r, 10)) {
        current_instance(d, unannounced_key(s), NO_CONTEXT);
        run_statement(d, test_case.first_stmt, false);
        current_instance(d, key, own);
    }
}

// Records the reader must skip: events before any file, an "SF" whose identity
// no section has, a file number bound to nothing, an unknown keyword.
void write_preamble(dynamic_writer &d)
{
    if (d.pass > 0) {
        put_text(d.w, "CS ");
        put_hex(d.w, UNBOUND_DYNAMIC_NUMBER);
        end_line(d.w);
    }
    put_text(d.w, "NI 1 1\nST 65\nNO 2\n");
    d.w.lines += 3;
    put_text(d.w, d.pass == 0 ? "SF " : "CS ");
    put_hex(d.w, UNBOUND_DYNAMIC_NUMBER);
    if (d.pass == 0)
        put_text(d.w, " dead beef");
    end_line(d.w);
    put_text(d.w, "CS ");
    put_hex(d.w, UNBOUND_DYNAMIC_NUMBER);
    put_text(d.w, "\nNO 3\nXV 3 2\n");
    d.w.lines += 3;
    d.current_section = -1;
    d.context = NO_CONTEXT;
    d.code = 0x65;
    d.code_known = true;
}

// One pass: every section in random order, most test cases once (some
// interleaved with a test case of another section), then test cases again,
// until `budget` bytes in the first pass or as many re-runs as the first pass.
uint64_t write_pass(dynamic_writer &d, uint64_t seed, uint64_t budget, uint64_t reruns)
{
    const trace_model &m = *d.model;
    const uint32_t sections = static_cast<uint32_t>(m.sections.size());
    d.r = rng_seeded(seed, 2);
    d.stack.clear();
    d.numbers.assign(sections, {});
    d.next_number = 1;
    d.announced.clear();
    write_preamble(d);
    const uint64_t start = writer_bytes(d.w);

    std::vector<uint32_t> order(sections);
    for (uint32_t i = 0; i < sections; ++i)
        order[i] = i;
    for (uint32_t i = sections; i > 1; --i)
        std::swap(order[i - 1], order[rng_below(d.r, i)]);

    for (uint32_t s : order) {
        if (rng_chance(d.r, 30))
            continue; // a file whose tests did not run
        for (uint32_t case_index : m.sections[s].cases) {
            if (rng_chance(d.r, 60))
                continue;
            if (sections > 1 && rng_chance(d.r, 40)) {
                const uint32_t other = rng_below(d.r, sections);
                const std::vector<uint32_t> &cases = m.sections[other].cases;
                if (!cases.empty())
                    run_case(d, other, cases[rng_below(d.r, static_cast<uint32_t>(cases.size()))], false);
            }
            run_case(d, s, case_index, false);
        }
    }
    uint64_t done = 0;
    while (!d.announced.empty() && (d.pass == 0 ? writer_bytes(d.w) - start < budget : done < reruns)) {
        const case_ref again = d.announced[rng_below(d.r, static_cast<uint32_t>(d.announced.size()))];
        run_case(d, again.section, again.scope, true);
        ++done;
    }
    return done;
}

} // namespace

bool write_dynamic_trace(const std::string &path, const trace_model &model, uint64_t target_bytes, uint32_t repeat,
                         uint64_t seed, dynamic_counts &counts)
{
    dynamic_writer d;
    d.model = &model;
    if (!writer_open(d.w, path)) {
        fprintf(stderr, "tallyrpt-gentrace: cannot write %s\n", path.c_str());
        return false;
    }
    uint64_t reruns = 0;
    for (d.pass = 0; d.pass < repeat; ++d.pass) {
        const uint64_t done = write_pass(d, seed, target_bytes, reruns);
        if (d.pass == 0) {
            reruns = done;
            d.counts.case_runs = d.announced.size() + done;
        }
    }
    d.counts.records = d.w.lines;
    d.counts.bytes = writer_bytes(d.w);
    d.counts.copies = d.copies.size();
    counts = d.counts;
    if (!writer_close(d.w)) {
        fprintf(stderr, "tallyrpt-gentrace: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
