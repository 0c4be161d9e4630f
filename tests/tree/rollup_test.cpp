// The verdict roll-up: the combination table, the plain passes agreeing with
// the combined one, and a deep chain (its edge cases are in cases/rollup.txt).
#include "tree_test_fixture.h"

#include "tree/dump.h"
#include "tree/rollup.h"

#include <random>
#include <string>

namespace {

// Three sections of random shape, types, statuses and counters; the same for
// the same seed. Some nodes carry identifier 0.
void build_random_forest(unsigned seed, uint32_t nodes_per_file = 400)
{
    std::mt19937 random(seed);
    const int32_t types[] = {NODE_CHECK_EXPRESSION, NODE_PRINT, NODE_COMMENT, NODE_TEST_CASE, NODE_TEST_SUITE,
                             NODE_TEST_CLASS, NODE_STUB, NODE_CHECK_STUB, NODE_PROC};
    for (int32_t file = 0; file < 3; ++file) {
        std::vector<uint32_t> parents{file == 1 ? 0u : 1000u};
        add_file(file, parents[0], "driver");
        for (uint32_t id = 1; id < nodes_per_file; ++id) {
            const uint32_t parent = parents[random() % parents.size()], own = random() % 5 ? id : 0;
            add_child(file, types[random() % 9], own, "n", parent, 0);
            TestNode *node = find_node(file, parent)->last_child;
            node->status = static_cast<int32_t>(random() % 5 == 0 ? 3 : random() % 4);
            if (node->extension && random() % 2)
                *node->extension = CheckCounters{int32_t(random() % 3), int32_t(random() % 3),
                                                 int32_t(random() % 5 == 0), int32_t(random() % 2)};
            if (own)
                parents.push_back(id);
        }
    }
}

}  // namespace

TEST(CombineStatus, FollowsTheTable)
{
    const int32_t table[5][5] = {
        {0, 0, 2, 0, 0}, {0, 1, 2, 3, 1}, {2, 2, 2, 2, 2}, {0, 3, 2, 3, 3}, {0, 1, 2, 3, 4},
    };
    for (int32_t first = 0; first < 5; ++first)
        for (int32_t second = 0; second < 5; ++second)
            EXPECT_EQ(combine_status(first, second), table[first][second]) << first << "," << second;
    // Values outside the table count as not executed.
    EXPECT_EQ(combine_status(-1, 3), 0);
    EXPECT_EQ(combine_status(4, 99), 0);
    EXPECT_EQ(combine_status(7, 2), 2);
}

TEST_F(TreeTest, RollUpMatchesThePassesRunOneByOne)
{
    // roll_up_verdicts defers the climbs of the last pass and, on a large
    // tree (the last seed), takes the three file trees on two threads; the
    // plain visitors must give the same tree.
    for (unsigned seed = 1; seed <= 21; ++seed) {
        const uint32_t nodes_per_file = seed <= 20 ? 400 : 30000;
        tree_init();
        build_random_forest(seed, nodes_per_file);
        for (NodeVisitor pass : {settle_status, mark_scope_status, spread_status})
            for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
                walk_tree(entry->file_node, pass, nullptr);
        const std::string expected = dump_tree();
        tree_init();
        build_random_forest(seed, nodes_per_file);
        roll_up_verdicts();
        ASSERT_TRUE(dump_tree() == expected) << "seed " << seed;
    }
}

TEST_F(TreeTest, RollUpOfADeepChainWithAnExecutedCheckAtEveryLevel)
{
    // Climbing to the root from every check would take 250,000^2 steps.
    const uint32_t levels = 250000;
    add_file(0, 1, "driver");
    for (uint32_t level = 0; level < levels; ++level) {
        add_child(0, NODE_TEST_SUITE, 2 + 2 * level, "s", level == 0 ? 1 : 2 * level, 0);
        add_child(0, NODE_CHECK_EXPRESSION, 3 + 2 * level, "c", 2 + 2 * level, 0);
        TestNode *check = find_node(0, 3 + 2 * level);
        check->status = VERDICT_EXECUTED;
        *check->extension = CheckCounters{0, 1, level == levels - 1 ? 1 : 0, 0};
    }
    roll_up_verdicts();
    EXPECT_EQ(find_node(0, 1)->status, VERDICT_FAILED);
    EXPECT_EQ(find_node(0, 3)->status, VERDICT_PASSED);
}
