// Tree scripts, tests/tree/cases/*.txt: one command a line; "init" starts a
// fresh tree; lines starting with '#' are comments. A line with " =>"
// queries the tree and compares what it prints with the text after it.
//   file N ID TEXT, names N NAME, identity N A B, bind D A B: the file-list calls
//   node ID TYPE PARENT [STATUS [T/P/F/E]]: a node in section 0 (text "n"),
//       with its status and, for a check, its counters
//   child N TYPE ID TEXT PARENT LINE: add_child
//   walk N ID => TEXTS        the texts walk_tree visits from node (N, ID)
//   children N ID => TEXTS    the texts for_each_child visits
//   bucket N ID => B          key_bucket
//   count => N                file_count
//   lookup D... => N...       file_number_for_dynamic of each D, in order
//   at P... => TEXT:TYPE...   file_node_at of each position
//   name N... => NAME...      file_name_of of each section
//   entries => ...            every file-list entry, newest first, as
//                             "<file>/<dynamic> <identity> <source name> <text, or copy>"
//   rollup => VERDICTS        roll_up_verdicts, then every node of section 0,
//                             children first, as "<id>=<status>[T/P/F/E]"
#include "tree_test_fixture.h"

#include "diagnostics/memory.h"
#include "tree/rollup.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

std::string or_none(const char *text)
{
    return text ? text : "<none>";
}

std::string verdicts()
{
    std::string out;
    walk_tree(file_node_at(0), [](TestNode *node, void *text) {
        std::string &s = *static_cast<std::string *>(text);
        s += (s.empty() ? "" : " ") + std::to_string(node->identifier) + "=" + std::to_string(node->status);
        if (const CheckCounters *c = node->extension)
            s += "[" + std::to_string(c->total_count) + "/" + std::to_string(c->pass_count) + "/"
                 + std::to_string(c->fail_count) + "/" + std::to_string(c->entry_count) + "]";
    }, &out);
    return out;
}

std::string run(const std::string &command, std::istringstream &words)
{
    int64_t a = 0, b = 0, c = 0, d = 0, e = 0;
    std::string text, out;
    const auto list = [&](const std::function<std::string(int32_t)> &each) {
        while (words >> a)
            out += (out.empty() ? "" : " ") + each(static_cast<int32_t>(a));
        return out;
    };
    if (command == "init") {
        tree_init();
    } else if (command == "file" && words >> a >> b >> text) {
        add_file(a, b, text.c_str());
    } else if (command == "names" && words >> a >> text) {
        set_file_names(a, text.c_str());
    } else if (command == "identity" && words >> a >> b >> c) {
        set_file_identity(a, b, c);
    } else if (command == "bind" && words >> a >> b >> c) {
        bind_dynamic_file(a, b, c);
    } else if (command == "node" && words >> a >> b >> c) {
        add_child(0, b, a, "n", c, 0);
        TestNode *node = find_node(0, a);
        char slash;
        if (words >> a && (node->status = static_cast<int32_t>(a), node->extension))
            words >> node->extension->total_count >> slash >> node->extension->pass_count >> slash
                >> node->extension->fail_count >> slash >> node->extension->entry_count;
    } else if (command == "child" && words >> a >> b >> c >> text >> d >> e) {
        add_child(a, b, c, text.c_str(), d, e);
    } else if ((command == "walk" || command == "children") && words >> a >> b) {
        (command == "walk" ? walk_tree : for_each_child)(find_node(a, b), [](TestNode *node, void *texts) {
            std::string &s = *static_cast<std::string *>(texts);
            s += (s.empty() ? "" : " ") + std::string(node->text);
        }, &out);
    } else if (command == "bucket" && words >> a >> b) {
        return std::to_string(key_bucket(a, b));
    } else if (command == "count") {
        return std::to_string(file_count());
    } else if (command == "lookup") {
        return list([](int32_t d) { return std::to_string(file_number_for_dynamic(d)); });
    } else if (command == "at") {
        return list([](int32_t p) {
            const TestNode *node = file_node_at(p);
            return node ? std::string(node->text) + ":" + std::to_string(node->type) : "<none>";
        });
    } else if (command == "name") {
        return list([](int32_t n) {
            char *name = file_name_of(n);
            const std::string copy = or_none(name);
            mem_free(name);
            return copy;
        });
    } else if (command == "entries") {
        for (const FileEntry *e = file_list_head(); e; e = e->next)
            out += (out.empty() ? "" : " | ") + std::to_string(e->file_number) + "/" + std::to_string(e->dynamic_number)
                   + " " + std::to_string(e->identity_first) + "/" + std::to_string(e->identity_second) + " "
                   + (e->source_name ? e->source_name : "-") + " " + (e->file_node ? e->file_node->text : "copy");
    } else if (command == "rollup") {
        roll_up_verdicts();
        return verdicts();
    } else {
        ADD_FAILURE() << "cannot run " << command << " " << words.str();
    }
    return out;
}

void run_script(const std::string &name)
{
    std::ifstream in(std::string(TALLY_TEST_DATA_DIR) + "/tree/cases/" + name);
    ASSERT_TRUE(in) << name;
    int line_number = 0;
    for (std::string line; std::getline(in, line);) {
        ++line_number;
        if (line.empty() || line[0] == '#')
            continue;
        const size_t arrow = line.find(" =>");
        std::istringstream words(line.substr(0, arrow));
        std::string command;
        words >> command;
        const std::string seen = run(command, words);
        EXPECT_TRUE(arrow == std::string::npos || seen == line.substr(std::min(arrow + 4, line.size())))
            << name << ":" << line_number << ": " << seen;
    }
}

}  // namespace

TEST_F(TreeTest, FileListAndWalkScript)
{
    run_script("lists.txt");
}

TEST_F(TreeTest, RollUpScript)
{
    run_script("rollup.txt");
}

// Every binding pushes a copy entry; look-ups must not scan them.
TEST_F(TreeTest, ManyBindingsOfOneSection)
{
    add_file(0, 1, "A");
    set_file_identity(0, 1, 2);
    for (int32_t number = 1; number <= 200000; ++number) {
        bind_dynamic_file(number, 1, 2);
        ASSERT_EQ(file_number_for_dynamic(number), 0);
    }
    EXPECT_EQ(file_count(), 1);
}
