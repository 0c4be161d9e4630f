// Static trace generation. A section is laid out as a test tool would: the
// file scope, maybe a helper class of shared checks, the test classes or
// suites with their test cases and statements, maybe test stubs and a mock
// class. Scopes nest by the current scope alone, so every "IN" under a scope
// other than the current one is preceded by "SI" back to its parent. Scope
// identifiers are written in hexadecimal, statement identifiers in decimal,
// both from one counter per section.
#include "gen_static.h"

#include "gen_output.h"
#include "gen_random.h"
#include "gen_texts.h"

#include <cstdio>
#include <unordered_set>

namespace {

struct section_writer {
    trace_writer &w;
    rng &r;
    section_info &section;
    uint32_t next_id = 1;
    uint32_t current_scope = 0; // identifier; 0 before the file scope
    uint32_t line = 0;
    std::string text = {};
};

// The reader nests a new scope under the current one; "SI" moves there first.
uint32_t open_scope(section_writer &sw, scope_kind kind, const char *word, uint32_t parent_index,
                    const std::string &name)
{
    section_info &s = sw.section;
    const uint32_t parent_id = kind == SCOPE_FILE ? 0 : s.scopes[parent_index].id;
    if (kind != SCOPE_FILE && sw.current_scope != parent_id) {
        put_text(sw.w, "SI ");
        put_hex(sw.w, parent_id);
        end_line(sw.w);
    }
    const uint32_t id = sw.next_id++;
    put_text(sw.w, "IN \"");
    put_text(sw.w, word);
    put_text(sw.w, "\" ");
    put_hex(sw.w, id);
    put_text(sw.w, " \"");
    put_text(sw.w, name);
    put_char(sw.w, '"');
    end_line(sw.w);
    sw.current_scope = id;
    s.scopes.push_back(scope_info{id, parent_id, static_cast<uint32_t>(s.stmts.size()), 0, kind});
    sw.line += rng_between(sw.r, 3, 8);
    return static_cast<uint32_t>(s.scopes.size() - 1);
}

// Statements follow their scope's "IN" directly, so each scope's own
// statements are one contiguous run of section_info::stmts.
void add_statement(section_writer &sw, uint32_t scope_index, stmt_kind kind)
{
    section_info &s = sw.section;
    scope_info &scope = s.scopes[scope_index];
    const uint32_t id = sw.next_id++;
    if (!rng_chance(sw.r, 70)) { // now and then two statements share a line
        sw.line += rng_between(sw.r, 1, 4);
        put_text(sw.w, "LK ");
        put_dec(sw.w, sw.line);
        end_line(sw.w);
    }
    sw.text.clear();
    append_statement(sw.r, kind, id, sw.text);
    put_text(sw.w, kind == STMT_MS ? "MS " : "TX ");
    put_dec(sw.w, id);
    put_text(sw.w, " \"");
    put_text(sw.w, sw.text);
    put_char(sw.w, '"');
    end_line(sw.w);
    s.stmts.push_back(stmt_info{id, scope.id, kind});
    ++scope.stmt_count;
}

stmt_kind case_statement_kind(rng &r)
{
    const uint32_t p = rng_below(r, 1000);
    if (p < 720)
        return STMT_CHECK;
    if (p < 760)
        return STMT_MS;
    if (p < 840)
        return STMT_PRINT_LOG;
    if (p < 870)
        return STMT_PRINT_ENTER;
    if (p < 900)
        return STMT_PRINT_EXIT;
    if (p < 930)
        return STMT_PRINT_TIMER_START;
    if (p < 965)
        return STMT_PRINT_TIMER_REPORT;
    return STMT_COMMENT;
}

void add_test_case(section_writer &sw, uint32_t parent_index, uint32_t serial)
{
    sw.text.clear();
    append_case_name(sw.r, serial, sw.text);
    const uint32_t index = open_scope(sw, SCOPE_CASE, "TestCase", parent_index, sw.text);
    sw.section.cases.push_back(index);
    const uint32_t count = rng_chance(sw.r, 30) ? 0 : rng_geometric(sw.r, 9, 60);
    for (uint32_t i = 0; i < count && sw.next_id < MAX_SECTION_IDENTIFIER; ++i)
        add_statement(sw, index, case_statement_kind(sw.r));
}

// A test class, sometimes with set-up statements of its own before its cases.
uint32_t add_test_class(section_writer &sw, uint32_t parent_index, const std::string &stem)
{
    const uint32_t index = open_scope(sw, SCOPE_CLASS, "Class", parent_index, stem + "Test");
    if (rng_chance(sw.r, 250)) {
        add_statement(sw, index, STMT_COMMENT);
        add_statement(sw, index, STMT_PRINT_TIMER_START);
    }
    return index;
}

uint32_t add_suite(section_writer &sw, uint32_t parent_index, const std::string &stem, uint32_t serial)
{
    std::string name = stem + "Suite";
    if (serial > 0)
        name += std::to_string(serial);
    return open_scope(sw, SCOPE_SUITE, "TestSuite", parent_index, name);
}

void add_stub(section_writer &sw, uint32_t parent_index)
{
    sw.text.clear();
    append_class_stem(sw.r, sw.text);
    sw.text += "Stub";
    const uint32_t index = open_scope(sw, SCOPE_STUB, "TestStub", parent_index, sw.text);
    sw.section.stubs.push_back(index);
    add_statement(sw, index, STMT_PRINT_ENTER);
    const uint32_t count = rng_between(sw.r, 2, 5);
    for (uint32_t i = 0; i < count; ++i)
        add_statement(sw, index, STMT_CHECK);
}

void add_side_class(section_writer &sw, scope_kind kind, const char *suffix, uint32_t low, uint32_t high)
{
    sw.text.clear();
    append_class_stem(sw.r, sw.text);
    sw.text += suffix;
    const uint32_t index = open_scope(sw, kind, "Class", 0, sw.text);
    (kind == SCOPE_HELPER ? sw.section.helpers : sw.section.mocks).push_back(index);
    const uint32_t count = rng_between(sw.r, low, high);
    for (uint32_t i = 0; i < count; ++i)
        add_statement(sw, index, rng_chance(sw.r, 150) ? STMT_PRINT_LOG : STMT_CHECK);
}

void write_section(trace_writer &w, rng &r, section_info &section, std::unordered_set<uint64_t> &identities)
{
    section_writer sw{w, r, section, 1, 0, 0, {}};
    sw.line = rng_between(r, 1, 30);
    std::string stem;
    append_class_stem(r, stem);

    put_text(w, "DB static trace of ");
    put_text(w, stem);
    put_text(w, "Test.java");
    end_line(w);
    if (!rng_chance(r, 100)) { // without "SO" the section is named after the trace file
        sw.text.clear();
        append_source_path(r, stem, sw.text);
        put_text(w, "SO \"");
        put_text(w, sw.text);
        put_char(w, '"');
        end_line(w);
    }
    open_scope(sw, SCOPE_FILE, "File", 0, stem + "Test");
    do {
        section.identity_first = static_cast<uint32_t>(rng_next(r)) & 0x7fffffffU;
        section.identity_second = rng_below(r, 0x100000);
    } while (!identities.insert(uint64_t(section.identity_first) << 32 | section.identity_second).second);
    put_text(w, "ID ");
    put_hex(w, section.identity_first);
    put_char(w, ' ');
    put_hex(w, section.identity_second);
    end_line(w);

    if (rng_chance(r, 500))
        add_side_class(sw, SCOPE_HELPER, "Helper", 2, 6);

    uint32_t cases = rng_geometric(r, 8, 60);
    if (rng_chance(r, 10))
        cases = rng_between(r, 100, 300);
    const uint32_t layout = rng_below(r, 10);
    std::vector<uint32_t> containers;
    if (layout < 4) {
        containers.push_back(add_suite(sw, 0, stem, 0));
    } else if (layout < 7) {
        containers.push_back(add_test_class(sw, 0, stem));
    } else if (layout < 9) {
        const uint32_t suite = add_suite(sw, 0, stem, 0);
        const uint32_t classes = rng_between(r, 1, 3);
        for (uint32_t i = 0; i < classes; ++i) {
            std::string inner = stem;
            if (i > 0)
                inner += std::to_string(i + 1);
            containers.push_back(add_test_class(sw, suite, inner));
        }
    } else {
        const uint32_t outer = add_suite(sw, 0, stem, 0);
        const uint32_t inner = rng_between(r, 2, 4);
        for (uint32_t i = 0; i < inner; ++i)
            containers.push_back(add_suite(sw, outer, stem, i + 1));
    }
    for (uint32_t i = 0; i < cases && sw.next_id + 64 < MAX_SECTION_IDENTIFIER; ++i)
        add_test_case(sw, containers[rng_below(r, static_cast<uint32_t>(containers.size()))], i + 1);

    if (rng_chance(r, 300)) {
        const uint32_t stubs = rng_between(r, 1, 2);
        for (uint32_t i = 0; i < stubs; ++i)
            add_stub(sw, rng_chance(r, 500) ? 0 : containers[0]);
    }
    if (rng_chance(r, 120))
        add_side_class(sw, SCOPE_MOCK, "Mock", 2, 4);
    if (rng_chance(r, 20)) {
        // A scope kind the reader does not know: no node, current scope kept.
        put_text(w, "IN \"Interface\" ");
        put_hex(w, sw.next_id++);
        put_text(w, " \"");
        put_text(w, stem);
        put_text(w, "Api\"");
        end_line(w);
    }
    if (rng_chance(r, 20)) {
        put_text(w, "CK ");
        put_hex(w, static_cast<uint32_t>(rng_next(r)));
        end_line(w);
    }
    put_text(w, "ED "); // the keyword ends at a space, not at the line end
    end_line(w);
}

} // namespace

bool write_static_traces(const std::string &dir, uint64_t target_bytes, uint32_t file_count, uint64_t seed,
                         trace_model &model, std::vector<std::string> &file_names)
{
    rng r = rng_seeded(seed, 1);
    std::unordered_set<uint64_t> identities;
    identities.insert(uint64_t(0xdead) << 32 | 0xbeef); // kept for an identity no section has
    const uint64_t per_file = target_bytes / file_count;
    for (uint32_t f = 0; f < file_count; ++f) {
        const std::string name = "trace" + std::to_string(f + 1) + ".tsf";
        const std::string path = dir + "/" + name;
        trace_writer w;
        if (!writer_open(w, path)) {
            fprintf(stderr, "tallyrpt-gentrace: cannot write %s\n", path.c_str());
            return false;
        }
        do {
            if (model.sections.size() >= MAX_SECTIONS)
                break;
            model.sections.emplace_back();
            write_section(w, r, model.sections.back(), identities);
            model.scopes += model.sections.back().scopes.size();
            model.statements += model.sections.back().stmts.size();
        } while (writer_bytes(w) < per_file);
        model.static_records += w.lines;
        model.static_bytes += writer_bytes(w);
        if (!writer_close(w)) {
            fprintf(stderr, "tallyrpt-gentrace: cannot write %s\n", path.c_str());
            return false;
        }
        file_names.push_back(name);
    }
    return true;
}
