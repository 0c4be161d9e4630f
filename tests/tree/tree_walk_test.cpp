// Walks and the tree's lifetime, including shapes that a recursive walk or
// free could not survive.
#include "tree_test_fixture.h"

#include "diagnostics/memory.h"
#include "tree/dump.h"

#include <string>

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
