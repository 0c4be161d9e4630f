// Table-driven cases of the scanning primitives and both readers, from
// tests/readers/cases/*.tsv. A line is an operation, its inputs and the
// expected outputs, separated by tabs; lines starting with '#' are comments.
// Fields take the escapes \n \r \t \0 \\ \xHH, \s for a space, \e for an
// empty field and \{N:text} for text written N times (\{N+F:format}: N
// copies of a printf format given the numbers from F up). "*" as an expected
// output matches anything; "<null>" as a text input passes a null pointer; a
// null result reads "<none>".
#include "reader_helpers.h"

#include "readers/read_ahead.h"

#include <fstream>
#include <functional>

namespace {

std::string unescape(const std::string &field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i] == '\\' && i + 1 < field.size() ? field[++i] : 0;
        if (c == 'x') {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (c == '{') {  // \{N:text}, or \{N+F:format} numbering the copies from F
            const size_t colon = field.find(':', i), end = field.find('}', colon), plus = field.find('+', i);
            const std::string format = unescape(field.substr(colon + 1, end - colon - 1));
            const int count = std::stoi(field.substr(i + 1)), first = plus < colon ? std::stoi(field.substr(plus + 1)) : 0;
            char piece[256];
            for (int n = first; n < first + count; ++n) {
                snprintf(piece, sizeof piece, format.c_str(), n);
                out += piece;
            }
            i = end;
        } else if (c) {
            const char *from = "nrt0se", *to = "\n\r\t\0 ";
            const char *at = strchr(from, c);
            if (c != 'e')
                out += at ? to[at - from] : c;
        } else {
            out += field[i];
        }
    }
    return out;
}

using Fields = std::vector<std::string>;
struct Operation {
    size_t inputs;
    std::function<Fields(const Fields &)> run;
};

// The token a scanner read and what it left on the stream.
Fields token_and_rest(const std::string &input, const std::function<char *(TraceStream *)> &scan)
{
    TraceStream *stream = trace_open_memory(input.data(), input.size());
    Fields out{take(scan(stream)), ""};
    for (int c; (c = trace_getc(stream)) >= 0;)
        out[1] += static_cast<char>(c);
    trace_close(stream);
    return out;
}

const char *text_or_null(const std::string &field)
{
    return field == "<null>" ? nullptr : field.c_str();
}

std::string hex(uint32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%x", value);
    return text;
}

// What body gives on a fresh tree with the second thread taking over after
// the first record count, and a note for each other count that gives more
// or less.
Fields same_after_any_read_ahead(std::initializer_list<size_t> counts, const std::function<Fields()> &body)
{
    Fields first, differing;
    for (const size_t count : counts) {
        set_read_ahead_after(count);
        tree_init();
        const Fields seen = body();
        if (first.empty())
            first = seen;
        else if (seen != first)
            differing.push_back("read ahead after " + std::to_string(count) + " differs");
    }
    set_read_ahead_after(4096);
    first.insert(first.end(), differing.begin(), differing.end());
    return first;
}

std::string static_texts = base_static;

const std::map<std::string, Operation> operations = {
    {"until_char", {2, [](const Fields &in) {
         return token_and_rest(in[0], [&](TraceStream *s) { return read_until_char(s, in[1][0]); });
     }}},
    {"until_text", {2, [](const Fields &in) {
         return token_and_rest(in[0], [&](TraceStream *s) { return read_until_text(s, in[1].c_str()); });
     }}},
    {"number", {3, [](const Fields &in) {
         return token_and_rest(in[0], [&](TraceStream *s) {
             return mem_strdup(hex(read_number_field(s, in[1][0], std::stoi(in[2]))).c_str());
         });
     }}},
    {"skip_spaces", {1, [](const Fields &in) {
         return token_and_rest(in[0], [](TraceStream *s) {
             skip_past_spaces(s);
             return mem_strdup(trace_eof(s) ? "1" : "0");
         });
     }}},
    {"signed", {1, [](const Fields &in) { return Fields{std::to_string(parse_signed_decimal(in[0].c_str()))}; }}},
    {"nth_field", {2, [](const Fields &in) {
         return Fields{take(nth_field(text_or_null(in[0]), ' ', std::stoi(in[1])))};
     }}},
    {"decode", {1, [](const Fields &in) { return Fields{take(decode_text(text_or_null(in[0])))}; }}},
    // The fields of one record, then the line after it, which it must leave.
    {"static_record", {1, [](const Fields &in) {
         return token_and_rest(in[0] + "\nNEXT", [](TraceStream *s) {
             StaticRecord r = read_static_record(s);
             char fields[64];
             snprintf(fields, sizeof fields, "%d %x ", r.kind, r.number);
             std::string seen = fields + take(r.first_text) + " " + take(r.second_text);
             snprintf(fields, sizeof fields, " %d %x/%x", r.line, r.identity_first, r.identity_second);
             return mem_strdup((seen + fields).c_str());
         });
     }}},
    {"dynamic_record", {1, [](const Fields &in) {
         return token_and_rest(in[0] + "\nNEXT", [](TraceStream *s) {
             DynamicRecord r = read_dynamic_record(s);
             char fields[64];
             snprintf(fields, sizeof fields, "%d %x %x %x ", r.kind, r.numbers[0], r.numbers[1], r.numbers[2]);
             return mem_strdup((fields + take(r.text)).c_str());
         });
     }}},
    {"result_kind", {1, [](const Fields &in) { return Fields{std::to_string(result_kind_of(std::stoul(in[0])))}; }}},
    {"statement_type", {1, [](const Fields &in) {
         tree_init();
         ReaderTest::read_static_text("IN \"File\" 1 \"F\"\n" + in[0] + "\n");
         const TestNode *node = find_node(0, 5);
         return Fields{node ? std::to_string(node->type) : "<none>"};
     }}},
    // The tree a static text gives, its section counter, the names of the
    // counted sections and the identity of the newest.
    {"tree", {1, [](const Fields &in) {
         return same_after_any_read_ahead({4096, 0, 1, 999}, [&] {
             int32_t counter = 0;
             EXPECT_EQ(ReaderTest::read_static_text(in[0], &counter), 0);
             std::string names;
             for (int32_t file = 0; file < counter; ++file)
                 names += (file ? " " : "") + take(file_name_of(file));
             const FileEntry *newest = file_list_head();
             return Fields{dump_tree(), std::to_string(counter), names,
                           newest ? hex(newest->identity_first) + "/" + hex(newest->identity_second) : "<none>"};
         });
     }}},
    // The static texts the next "changes" read, one after the other, split at
    // form feeds.
    {"static", {1, [](const Fields &in) {
         static_texts = in[0];
         return Fields{};
     }}},
    {"changes", {1, [](const Fields &in) {
         return same_after_any_read_ahead({4096, 0, 2}, [&] {
             int32_t counter = 0;
             for (size_t start = 0, end; start <= static_texts.size(); start = end + 1) {
                 end = std::min(static_texts.find('\f', start), static_texts.size());
                 EXPECT_EQ(ReaderTest::read_static_text(static_texts.substr(start, end - start), &counter), 0);
             }
             return Fields{ReaderTest::changes_of(in[0])};
         });
     }}},
};

void run_cases(const std::string &name)
{
    std::ifstream in(std::string(TALLY_TEST_DATA_DIR) + "/readers/cases/" + name);
    ASSERT_TRUE(in) << name;
    int line_number = 0, cases = 0;
    for (std::string line; std::getline(in, line);) {
        const std::string where = name + ":" + std::to_string(++line_number);
        if (line.empty() || line[0] == '#')
            continue;
        Fields fields;
        for (size_t start = 0, tab; start <= line.size(); start = tab + 1) {
            tab = std::min(line.find('\t', start), line.size());
            fields.push_back(unescape(line.substr(start, tab - start)));
        }
        const auto operation = operations.find(fields[0]);
        ASSERT_TRUE(operation != operations.end() && fields.size() > operation->second.inputs) << where;
        const Fields inputs(fields.begin() + 1, fields.begin() + 1 + operation->second.inputs);
        Fields expected(fields.begin() + 1 + operation->second.inputs, fields.end());
        const Fields seen = operation->second.run(inputs);
        for (size_t i = 0; i < expected.size() && i < seen.size(); ++i)
            expected[i] = expected[i] == "*" ? seen[i] : expected[i];
        EXPECT_EQ(seen, expected) << where;
        ++cases;
    }
    EXPECT_GT(cases, 0) << name;
}

using ReaderCases = ReaderTest;
TEST_F(ReaderCases, Scan) { run_cases("scan.tsv"); }
TEST_F(ReaderCases, Static) { run_cases("static.tsv"); }
TEST_F(ReaderCases, Dynamic) { run_cases("dynamic.tsv"); }

}  // namespace
