// Walks and the tree's lifetime, including shapes that a recursive walk or
// free could not survive.
#include "tree_test_fixture.h"

#include "diagnostics/memory.h"
#include "tree/dump.h"

#include <string>

namespace {

void append_text(TestNode *node, void *context)
{
    *static_cast<std::string *>(context) += std::string(node->text) + " ";
}

}  // namespace

TEST_F(TreeTest, WalkVisitsChildrenBeforeTheirParent)
{
    const auto walk_texts = [](TestNode *node) {
        std::string texts;
        walk_tree(node, append_text, &texts);
        return texts;
    };
    add_file(0, 1, "D");
    add_child(0, NODE_TEST_CASE, 2, "C1", 1, 0);
    add_child(0, NODE_CHECK_EXPRESSION, 3, "G", 2, 5);
    add_child(0, NODE_TEST_CASE, 4, "C2", 1, 0);
    EXPECT_EQ(walk_texts(find_node(0, 1)), "G C1 C2 D ");
    add_child(0, NODE_PRINT, 5, "G2", 2, 6);
    add_child(0, NODE_PRINT, 6, "H", 5, 7);
    // From a node below the root: it and its following siblings.
    EXPECT_EQ(walk_texts(find_node(0, 2)), "G H G2 C1 C2 ");
    EXPECT_EQ(walk_texts(find_node(0, 3)), "G H G2 ");
    EXPECT_EQ(walk_texts(nullptr), "");
    std::string direct;
    for_each_child(find_node(0, 1), append_text, &direct);
    EXPECT_EQ(direct, "C1 C2 ");
}

TEST_F(TreeTest, MillionDeepAndMillionWide)
{
    const uint32_t count = 1000000;
    add_file(0, 0, "deep");
    add_file(1, 0, "wide");
    for (uint32_t id = 1; id <= count; ++id) {
        add_child(0, NODE_TEST_SUITE, id, "", id - 1, 0);
        add_child(1, NODE_CHECK_EXPRESSION, id, "", 0, 1);
    }
    for (int32_t file : {0, 1}) {
        uint32_t state[2] = {0, 1};  // nodes visited, last identifier
        walk_tree(find_node(file, 0), [](TestNode *node, void *context) {
            auto *state = static_cast<uint32_t *>(context);
            ++state[0];
            state[1] = node->identifier;
        }, state);
        EXPECT_EQ(state[0], count + 1) << file;
        EXPECT_EQ(state[1], 0u) << file;  // the root comes last
    }
    tree_free();
    EXPECT_EQ(find_node(0, 5), nullptr);
}

// Every side table goes too: bindings, equal-child tables and messages.
TEST_F(TreeTest, FreeLeavesAnEmptyTreeThatCanBeFilledAgain)
{
    for (int round = 0; round < 3; ++round) {
        add_file(0, 1, "driver");
        set_file_names(0, "a.java");
        set_file_identity(0, 1, 2);
        add_child(0, NODE_PRINT, 2, "p", 1, 3);
        add_message(find_node(0, 2), mem_strdup("message"));
        EXPECT_EQ(find_equal_child(find_node(0, 1), find_node(0, 2)), find_node(0, 2));
        bind_dynamic_file(1, 1, 2);
        bind_dynamic_file(2, 1, 2);
        round == 1 ? tree_init() : tree_free();  // tree_init on a filled tree frees it
        EXPECT_TRUE(file_count() == 0 && !file_list_head() && !find_node(0, 1) && !file_name_of(0));
        EXPECT_EQ(file_number_for_dynamic(1) + file_number_for_dynamic(0), -2);
        EXPECT_EQ(dump_tree(), "");
    }
}
