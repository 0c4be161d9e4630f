// The readers and the scanning primitives under them. Table-driven cases
// come from tests/readers/cases/*.tsv: a line is an operation, its inputs and
// the expected outputs, separated by tabs; lines starting with '#' are
// comments. Fields take the escapes \n \r \t \0 \\ \xHH, \s for a space, \e
// for an empty field and \{N:text} for text written N times (\{N+F:format}:
// N copies of a printf format given the numbers from F up). "*" as an
// expected output matches anything; "<null>" as a text input passes a null
// pointer; a null result reads "<none>". Beside them: section numbers across
// files, unreadable inputs, and inputs large enough to expose quadratic or
// per-depth costs.
#include "diagnostics/memory.h"
#include "readers/jtdffile.h"
#include "readers/read_ahead.h"
#include "readers/scan.h"
#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "support/test_support.h"
#include "tree/dump.h"
#include "tree/tree.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <unistd.h>

namespace {

template <typename... Values>
std::string printed(const char *format, Values... values)
{
    char text[4096];
    snprintf(text, sizeof text, format, values...);
    return text;
}

// Takes ownership of a returned text; "<none>" stands for null.
std::string take(char *text)
{
    const std::string value = text ? text : "<none>";
    mem_free(text);
    return value;
}

// count copies of format, each given its index plus first.
std::string numbered(const std::string &format, int count, int first = 0)
{
    std::string text;
    char piece[256];
    for (int n = first; n < first + count; ++n) {
        snprintf(piece, sizeof piece, format.c_str(), n);
        text += piece;
    }
    return text;
}

std::string unescape(const std::string &field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i] == '\\' && i + 1 < field.size() ? field[++i] : 0;
        const char *from = "nrt0se", *to = "\n\r\t\0 ", *at = c ? strchr(from, c) : nullptr;
        if (c == 'x') {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (c == '{') {  // \{N:text}, or \{N+F:format}
            const size_t colon = field.find(':', i), end = field.find('}', colon), plus = field.find('+', i);
            out += numbered(unescape(field.substr(colon + 1, end - colon - 1)), std::stoi(field.substr(i + 1)),
                            plus < colon ? std::stoi(field.substr(plus + 1)) : 0);
            i = end;
        } else if (c != 'e') {
            out += at ? to[at - from] : c ? c : field[i];
        }
    }
    return out;
}

// "<id hex>", with "<file>/" before it outside section 0; with a state, then
// ":<type>" when the type is not usual_type, "=<status>", counters, messages.
std::string node_token(const TestNode *node, int32_t usual_type, bool with_state = true)
{
    std::string token = printed("%x", node->identifier);
    token = node->file_number ? std::to_string(node->file_number) + "/" + token : token;
    if (!with_state)
        return token;
    if (node->type != usual_type)
        token += ":" + std::to_string(node->type);
    token += "=" + std::to_string(node->status);
    if (const CheckCounters *c = node->extension)
        token += printed("[%d/%d/%d/%d]", c->total_count, c->pass_count, c->fail_count, c->entry_count);
    if (!has_messages(node))
        return token;
    std::string joined;
    for_each_message(node, [](const char *message, size_t length, void *out) {
        *static_cast<std::string *>(out) += "|" + std::string(message, length);
    }, &joined);
    return token + "{" + joined.substr(1) + "}";
}

// Suite 2 holds case 4 (checks 3 and 6) and class 8 (check 5).
const char *const base_static =
    "IN \"File\" 1 \"T\"\nID a b\nIN \"TestSuite\" 2 \"suite\"\nIN \"TestCase\" 4 \"case\"\n"
    "LK 10\nTX 3 \"x == 2\"\nLK 11\nTX 6 \"y == 3\"\nSI 2\nIN \"Class\" 8 \"Helper\"\nLK 20\nTX 5 \"run()\"\nED \n";

struct ReaderTest : ::testing::Test {
    void SetUp() override { tree_init(); }
    void TearDown() override { tree_free(); }
};

// Sections without "SO" take the name "/traces/static.tsf".
int read_static_text(const std::string &text, int32_t *counter = nullptr)
{
    int32_t unused = 0;
    TraceStream *stream = trace_open_memory(text.data(), text.size());
    const int result = read_static_stream(stream, "/traces/static.tsf", counter ? counter : &unused);
    trace_close(stream);
    return result;
}

int read_dynamic_text(const std::string &text)
{
    TraceStream *stream = trace_open_memory(text.data(), text.size());
    const int result = read_dynamic_stream(stream);
    trace_close(stream);
    return result;
}

void visit_all(NodeVisitor visitor, void *context)
{
    for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
        if (entry->file_node)
            walk_tree(entry->file_node, visitor, context);
}

// Reads a dynamic trace and lists, children before parents, the token of
// every static node whose state it changed and "<parent>><token>" for every
// copy it made (types compared with the model's).
std::string changes_of(const std::string &text)
{
    struct Seen {
        std::map<const TestNode *, std::pair<int32_t, std::string>> before;
        std::string out;
    } seen;
    visit_all([](TestNode *node, void *data) {
        static_cast<Seen *>(data)->before[node] = {node->type, node_token(node, node->type)};
    }, &seen);
    EXPECT_EQ(read_dynamic_text(text), 0);
    visit_all([](TestNode *node, void *data) {
        Seen *s = static_cast<Seen *>(data);
        const auto found = s->before.find(node);
        std::string token;
        if (found == s->before.end()) {
            const TestNode *model = find_node(node->file_number, node->identifier);
            token = node_token(node->parent, 0, false) + ">" + node_token(node, model ? model->type : -1);
        } else if ((token = node_token(node, found->second.first)) == found->second.second) {
            return;
        }
        s->out += (s->out.empty() ? "" : " ") + token;
    }, &seen);
    return seen.out;
}

using Fields = std::vector<std::string>;

using Operation = std::pair<size_t, std::function<Fields(const Fields &)>>;  // inputs, run

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

// changes_of the dynamic text after the static texts, at several read-ahead
// thresholds.
Fields changes_after_static_texts(const std::string &dynamic_text)
{
    return same_after_any_read_ahead({4096, 0, 2}, [&] {
        int32_t counter = 0;
        for (size_t start = 0, end; start <= static_texts.size(); start = end + 1) {
            end = std::min(static_texts.find('\f', start), static_texts.size());
            EXPECT_EQ(read_static_text(static_texts.substr(start, end - start), &counter), 0);
        }
        return Fields{changes_of(dynamic_text)};
    });
}

const std::map<std::string, Operation> operations = {
    {"until_char", {2, [](const Fields &in) {
         return token_and_rest(in[0], [&](TraceStream *s) { return read_until_char(s, in[1][0]); });
     }}},
    {"until_text", {2, [](const Fields &in) {
         return token_and_rest(in[0], [&](TraceStream *s) { return read_until_text(s, in[1].c_str()); });
     }}},
    {"number", {3, [](const Fields &in) {
         return token_and_rest(in[0], [&](TraceStream *s) {
             return mem_strdup(printed("%x", read_number_field(s, in[1][0], std::stoi(in[2]))).c_str());
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
             const std::string first = take(r.first_text), second = take(r.second_text);
             return mem_strdup(printed("%d %x %s %s %d %x/%x", r.kind, r.number, first.c_str(), second.c_str(), r.line,
                                       r.identity_first, r.identity_second).c_str());
         });
     }}},
    {"dynamic_record", {1, [](const Fields &in) {
         return token_and_rest(in[0] + "\nNEXT", [](TraceStream *s) {
             DynamicRecord r = read_dynamic_record(s);
             return mem_strdup(printed("%d %x %x %x %s", r.kind, r.numbers[0], r.numbers[1], r.numbers[2],
                                       take(r.text).c_str()).c_str());
         });
     }}},
    {"result_kind", {1, [](const Fields &in) { return Fields{std::to_string(result_kind_of(std::stoul(in[0])))}; }}},
    {"statement_type", {1, [](const Fields &in) {
         tree_init();
         read_static_text("IN \"File\" 1 \"F\"\n" + in[0] + "\n");
         const TestNode *node = find_node(0, 5);
         return Fields{node ? std::to_string(node->type) : "<none>"};
     }}},
    // The tree a static text gives, its section counter, the names of the
    // counted sections and the identity of the newest.
    {"tree", {1, [](const Fields &in) {
         return same_after_any_read_ahead({4096, 0, 1, 999}, [&] {
             int32_t counter = 0;
             EXPECT_EQ(read_static_text(in[0], &counter), 0);
             std::string names;
             for (int32_t file = 0; file < counter; ++file)
                 names += (file ? " " : "") + take(file_name_of(file));
             const FileEntry *newest = file_list_head();
             return Fields{dump_tree(), std::to_string(counter), names,
                           newest ? printed("%x/%x", newest->identity_first, newest->identity_second) : "<none>"};
         });
     }}},
    // The static texts the next "changes" read, one after the other, split at
    // form feeds.
    {"static", {1, [](const Fields &in) {
         static_texts = in[0];
         return Fields{};
     }}},
    {"changes", {1, [](const Fields &in) { return changes_after_static_texts(in[0]); }}},
    // The same as a viewer reads it, keeping the messages of every check.
    {"changes_keeping_check_messages", {1, [](const Fields &in) {
         keep_check_messages(true);
         const Fields out = changes_after_static_texts(in[0]);
         keep_check_messages(false);
         return out;
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
        ASSERT_TRUE(operation != operations.end() && fields.size() > operation->second.first) << where;
        const Fields inputs(fields.begin() + 1, fields.begin() + 1 + operation->second.first);
        Fields expected(fields.begin() + 1 + operation->second.first, fields.end());
        const Fields seen = operation->second.second(inputs);
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

TEST(StaticRecords, OneEmptyRecordAfterTheLastLine)
{
    TraceStream *stream = trace_open_memory("ED \n", 4);
    EXPECT_EQ(read_static_record(stream).kind, STATIC_ED);
    EXPECT_FALSE(trace_eof(stream));
    EXPECT_EQ(read_static_record(stream).kind, STATIC_OTHER);
    EXPECT_TRUE(trace_eof(stream));
    trace_close(stream);
}

using StaticReader = ReaderTest;
TEST_F(StaticReader, SectionNumbersCarryAcrossFilesAndStateDoesNot)
{
    const std::string first = write_temp_file("DB x\nIN \"File\" 1 \"A\"\nLK 9\nED \n"
                                              "IN \"File\" 1 \"B\"\nIN \"TestCase\" 5 \"c\"\nED \n");
    // An ED without a line end still counts; "ED\nDB" reads as one keyword.
    // The third file's section is never closed: its end closes it.
    const std::string second = write_temp_file("ED\nDB x\nIN \"File\" 1 \"C\"\nTX 3 \"first statement\"\nED ");
    const std::string third = write_temp_file("IN \"File\" 4 \"D\"\nSO \"kept back\"\n");
    const std::string missing = first + ".missing";
    // The second file starts with scope 1 and line 0 again.
    const std::string both =
        "15 2/1 \"C\" line=0 status=3\n"
        "  3 2/3 \"first statement\" line=0 status=0 [0/0/0/0]\n"
        "15 1/1 \"B\" line=0 status=3\n"
        "  26 1/5 \"c\" line=0 status=3\n"
        "15 0/1 \"A\" line=0 status=3\n";
    int32_t counter = 0;
    EXPECT_EQ(read_static_trace(first.c_str(), &counter), 0);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(read_static_trace(second.c_str(), &counter), 0);
    EXPECT_EQ(counter, 3);
    EXPECT_EQ(dump_tree(), both);
    EXPECT_EQ(take(file_name_of(2)), second);

    // All in one call, the reading thread taking over anywhere: the same
    // tree, and reading stops at the first file that cannot be opened.
    const char *all[] = {first.c_str(), second.c_str(), third.c_str(), missing.c_str(), first.c_str()};
    const Fields seen = same_after_any_read_ahead({0, 1, 2, 7, 4096}, [&] {
        int32_t running = 0;
        const int two = read_static_traces(all, 2, &running);
        const std::string tree = dump_tree();
        tree_init();
        running = 0;
        const int unread = read_static_traces(all, 5, &running);
        return Fields{std::to_string(two), tree, std::to_string(unread), std::to_string(running),
                      dump_tree().substr(0, dump_tree().size() - both.size()), take(file_name_of(3))};
    });
    EXPECT_EQ(seen, (Fields{"2", both, "3", "4", "15 3/4 \"D\" line=0 status=3\n", third}));
    for (const std::string &path : {first, second, third})
        unlink(path.c_str());
}

// Directories, missing files and read errors fail; anything readable is
// read to its end.
TEST(Readers, FailOnlyWhenTheInputCannotBeRead)
{
    const std::string directory = make_temp_dir(), garbage = write_temp_file("not a trace\n\xff\xfe\n");
    for (const std::string &path : {directory, directory + "/missing", std::string("/proc/self/mem"), garbage}) {
        tree_init();
        int32_t counter = 0;
        EXPECT_EQ(read_static_trace(path.c_str(), &counter), path == garbage ? 0 : -1) << path;
        EXPECT_EQ(read_dynamic_trace(path.c_str()), path == garbage ? 0 : -1) << path;
        EXPECT_EQ(counter, 0);
    }
    tree_free();
    unlink(garbage.c_str());
    rmdir(directory.c_str());
}

using DynamicReader = ReaderTest;
TEST_F(DynamicReader, HundredThousandChecksInOneForeignContext)
{
    const int checks = 100000;
    ASSERT_EQ(read_static_text("IN \"File\" 1 \"F\"\nID a b\nIN \"TestSuite\" 2 \"s\"\nIN \"TestCase\" 3 \"c\"\n"
                               + numbered("TX %d \"c\"\n", checks, 16)),
              0);
    const std::string events = numbered("NO %x \"m\"\n", checks, 16);
    ASSERT_EQ(read_dynamic_text("SF 1 a b\nNI 2 7\nST 65\n" + events + events), 0);
    const TestNode *suite = find_node(0, 2);
    int children = 0;
    for (const TestNode *child = suite->first_child; child; child = child->next_sibling)
        ++children;
    EXPECT_EQ(children, checks + 1);
    EXPECT_EQ(suite->last_child->identifier, static_cast<uint32_t>(checks + 15));
    EXPECT_EQ(suite->last_child->extension->pass_count, 2);
}

// A check at the top, a million suites nested below it and a check in the
// deepest: reading must not recurse, and notes on the deepest suite climb to
// the nearest check without walking the chain each time.
TEST_F(DynamicReader, MillionNestedScopes)
{
    const int depth = 1000000;
    ASSERT_EQ(read_static_text("IN \"File\" 1 \"F\"\nID a b\nTX 3000000 \"top\"\nSI 2dc6c0\n"
                               + numbered("IN \"TestSuite\" %x \"s\"\n", depth, 2) + "TX 4000000 \"deepest\"\n"),
              0);
    const TestNode *node = find_node(0, 4000000);
    int levels = 0;
    for (; node->parent; node = node->parent)
        ++levels;
    EXPECT_EQ(levels, depth + 2);
    EXPECT_EQ(node, file_node_at(0));
    const std::string events = numbered("SF 1 a b\nNI %x 7\nST 65\n", 1, depth + 1) + numbered("NO \"x\"\n", 100000);
    ASSERT_EQ(read_dynamic_text(events), 0);
    EXPECT_EQ(find_node(0, 3000000)->extension->pass_count, 100000);
}

}  // namespace
