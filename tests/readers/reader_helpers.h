// Shared by the reader tests: a fresh tree per test, traces read from strings
// through memory streams, and a short picture of what a dynamic trace changed.
#pragma once

#include "diagnostics/memory.h"
#include "readers/jtdffile.h"
#include "readers/scan.h"
#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "tree/dump.h"
#include "tree/tree.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

// Takes ownership of a returned text; "<none>" stands for null.
inline std::string take(char *text)
{
    const std::string value = text ? text : "<none>";
    mem_free(text);
    return value;
}

// count lines from format, each with its index plus first filled in; for the
// large inputs.
inline std::string numbered(const char *format, int count, int first = 0)
{
    std::string text;
    char line[64];
    for (int n = 0; n < count; ++n) {
        snprintf(line, sizeof line, format, n + first);
        text += line;
    }
    return text;
}

// "<id hex>", with "<file>/" before it outside section 0; with a state, then
// ":<type>" when the type is not usual_type, "=<status>", counters, messages.
inline std::string node_token(const TestNode *node, int32_t usual_type, bool with_state = true)
{
    char text[80];
    snprintf(text, sizeof text, "%x", node->identifier);
    std::string token = node->file_number ? std::to_string(node->file_number) + "/" + text : text;
    if (!with_state)
        return token;
    if (node->type != usual_type)
        token += ":" + std::to_string(node->type);
    token += "=" + std::to_string(node->status);
    if (const CheckCounters *c = node->extension) {
        snprintf(text, sizeof text, "[%d/%d/%d/%d]", c->total_count, c->pass_count, c->fail_count, c->entry_count);
        token += text;
    }
    if (has_messages(node)) {
        std::string joined;
        for_each_message(
            node,
            [](const char *message, size_t, void *out) {
                *static_cast<std::string *>(out) += "|" + std::string(message);
            },
            &joined);
        token += "{" + joined.substr(1) + "}";
    }
    return token;
}

// Suite 2 holds case 4 (checks 3 and 6) and class 8 (check 5).
inline const char *const base_static =
    "IN \"File\" 1 \"T\"\nID a b\nIN \"TestSuite\" 2 \"suite\"\nIN \"TestCase\" 4 \"case\"\n"
    "LK 10\nTX 3 \"x == 2\"\nLK 11\nTX 6 \"y == 3\"\nSI 2\nIN \"Class\" 8 \"Helper\"\nLK 20\nTX 5 \"run()\"\nED \n";

class ReaderTest : public ::testing::Test {
public:
    void SetUp() override { tree_init(); }
    void TearDown() override { tree_free(); }

    // Sections without "SO" take the name "/traces/static.tsf".
    static int read_static_text(const std::string &text, int32_t *counter = nullptr)
    {
        int32_t unused = 0;
        TraceStream *stream = trace_open_memory(text.data(), text.size());
        const int result = read_static_stream(stream, "/traces/static.tsf", counter ? counter : &unused);
        trace_close(stream);
        return result;
    }

    static int read_dynamic_text(const std::string &text)
    {
        TraceStream *stream = trace_open_memory(text.data(), text.size());
        const int result = read_dynamic_stream(stream);
        trace_close(stream);
        return result;
    }

    // Reads a dynamic trace and lists, children before parents, the token of
    // every static node whose state it changed and "<parent>><token>" for
    // every copy it made (types compared with the model's).
    static std::string changes_of(const std::string &text)
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

private:
    static void visit_all(NodeVisitor visitor, void *context)
    {
        for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
            if (entry->file_node)
                walk_tree(entry->file_node, visitor, context);
    }
};
