// The verdict roll-up: the combination table, its edge cases as a table of
// small trees, the plain passes agreeing with the combined one, and a deep
// chain.
#include "tree_test_fixture.h"

#include "tree/dump.h"
#include "tree/rollup.h"

#include <random>
#include <string>

namespace {

// A node under (0, parent), with a status when one is given and the counters
// when it is a check.
TestNode *add(uint32_t identifier, int32_t type, uint32_t parent, int32_t status = -1,
              CheckCounters counters = {0, 0, 0, 0})
{
    add_child(0, type, identifier, "n", parent, 0);
    TestNode *node = find_node(0, identifier);
    if (status >= 0)
        node->status = status;
    if (node->extension)
        *node->extension = counters;
    return node;
}

TestNode *add_check(uint32_t identifier, uint32_t parent, int32_t passes, int32_t failures)
{
    return add(identifier, NODE_CHECK_EXPRESSION, parent, VERDICT_EXECUTED, {0, passes, failures, 0});
}

// Every node after the roll-up, children before parents: "<id>=<status>",
// with "[total/pass/fail/entry]" for checks.
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

// Suite 7 under the driver, holding case 2 with the given interim status.
void suite_and_case(int32_t case_interim)
{
    add(7, NODE_TEST_SUITE, 1);
    add(2, NODE_TEST_CASE, 7, case_interim);
}

// Three sections of random shape, types, statuses and counters; the same for
// the same seed. Some nodes carry identifier 0.
void build_random_forest(unsigned seed)
{
    std::mt19937 random(seed);
    const int32_t types[] = {NODE_CHECK_EXPRESSION, NODE_PRINT, NODE_COMMENT, NODE_TEST_CASE, NODE_TEST_SUITE,
                             NODE_TEST_CLASS, NODE_STUB, NODE_CHECK_STUB, NODE_PROC};
    for (int32_t file = 0; file < 3; ++file) {
        std::vector<uint32_t> parents{file == 1 ? 0u : 1000u};
        add_file(file, parents[0], "driver");
        for (uint32_t id = 1; id < 400; ++id) {
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

// Each row builds below driver 1, which every row has.
TEST_F(TreeTest, RollUpEdgeCases)
{
    const struct {
        const char *what;
        void (*build)();
        const char *verdicts;
    } cases[] = {
        // A check's verdict comes from its counters: failures, then passes, then the total.
        {"failures", [] { add(2, NODE_CHECK_EXPRESSION, 1, 1, {0, 2, 1, 0}); }, "2=2[3/2/1/0] 1=2"},
        {"the total alone", [] { add(2, NODE_CHECK_EXPRESSION, 1, 1, {4, 0, 0, 0}); }, "2=3[4/0/0/0] 1=3"},
        {"entries alone", [] { add(2, NODE_CHECK_EXPRESSION, 1, 1, {0, 0, 0, 1}); }, "2=1[0/0/0/1] 1=1"},
        {"a pass over a total", [] { add(2, NODE_CHECK_EXPRESSION, 1, 1, {9, 1, 0, 0}); }, "2=3[1/1/0/0] 1=3"},
        {"never reached", [] { add(2, NODE_CHECK_EXPRESSION, 1, 0); }, "2=0[0/0/0/0] 1=4"},
        {"check children taken in, a class not",
         [] {
             add(3, NODE_CHECK_EXPRESSION, 1, VERDICT_EXECUTED, {5, 0, 0, 0});
             add_check(4, 3, 2, 0);
             add_check(5, 3, 1, 1);
             add(6, NODE_TEST_CLASS, 3);
         },
         "4=3[2/2/0/0] 5=2[2/1/1/0] 6=4 3=2[4/3/1/0] 1=2"},
        // An unrun leaf of an executable type counts as not executed for its parent.
        {"unrun test case below a check", [] { add_check(3, 1, 0, 0); add(4, NODE_TEST_CASE, 3); },
         "4=4 3=0[0/0/0/0] 1=4"},
        {"unrun test class below a check", [] { add_check(3, 1, 0, 0); add(4, NODE_TEST_CLASS, 3); },
         "4=4 3=3[0/0/0/0] 1=3"},
        {"a scope with identifier 0",
         [] {
             add(0, NODE_TEST_SUITE, 1);
             add(2, NODE_TEST_SUITE, 0, VERDICT_FAILED);
             add(3, NODE_TEST_SUITE, 0);
             add_check(4, 3, 1, 0);
         },
         "2=2 4=3[1/1/0/0] 3=3 0=2 1=2"},
        // Scopes take the verdicts of the checks below.
        {"one passed check", [] { suite_and_case(1); add_check(3, 2, 1, 0); }, "3=3[1/1/0/0] 2=3 7=3 1=3"},
        {"passed and failed", [] { suite_and_case(1); add_check(3, 2, 1, 0); add_check(4, 2, 0, 1); },
         "3=3[1/1/0/0] 4=2[1/0/1/0] 2=2 7=2 1=2"},
        {"unreached checks", [] { suite_and_case(1); add(3, NODE_PRINT, 2); add(4, NODE_PRINT, 2); },
         "3=0[0/0/0/0] 4=0[0/0/0/0] 2=4 7=4 1=4"},
        {"passed and unreached", [] { suite_and_case(1); add_check(3, 2, 1, 0); add(4, NODE_PRINT, 2); },
         "3=3[1/1/0/0] 4=0[0/0/0/0] 2=3 7=3 1=3"},
        {"nested check", [] { suite_and_case(1); add(3, NODE_TEST_CLASS, 2); add_check(4, 3, 1, 0); },
         "4=3[1/1/0/0] 3=3 2=3 7=3 1=3"},
        {"executed leaf", [] { suite_and_case(1); }, "2=4 7=4 1=4"},
        {"failed leaf", [] { suite_and_case(2); }, "2=2 7=2 1=2"},
        {"untouched leaf", [] { suite_and_case(3); }, "2=4 7=4 1=4"},
        {"case failed, check passed", [] { suite_and_case(2); add_check(3, 2, 1, 0); }, "3=3[1/1/0/0] 2=2 7=2 1=2"},
        {"a failing sibling case",
         [] { suite_and_case(1); add_check(3, 2, 1, 0); add(5, NODE_TEST_CASE, 7, 1); add_check(6, 5, 0, 2); },
         "3=3[1/1/0/0] 2=3 6=2[2/0/2/0] 5=2 7=2 1=2"},
    };
    for (const auto &c : cases) {
        tree_init();
        add_file(0, 1, "driver");
        c.build();
        roll_up_verdicts();
        EXPECT_EQ(verdicts(), c.verdicts) << c.what;
    }
}

TEST_F(TreeTest, RollUpMatchesThePassesRunOneByOne)
{
    // roll_up_verdicts defers the climbs of the last pass; the plain
    // visitors must give the same tree.
    for (unsigned seed = 1; seed <= 20; ++seed) {
        tree_init();
        build_random_forest(seed);
        for (NodeVisitor pass : {settle_status, mark_scope_status, spread_status})
            for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
                walk_tree(entry->file_node, pass, nullptr);
        const std::string expected = dump_tree();
        tree_init();
        build_random_forest(seed);
        roll_up_verdicts();
        ASSERT_EQ(dump_tree(), expected) << "seed " << seed;
    }
}

TEST_F(TreeTest, RollUpOfADeepChainWithAnExecutedCheckAtEveryLevel)
{
    // Climbing to the root from every check would take 250,000^2 steps.
    const uint32_t levels = 250000;
    add_file(0, 1, "driver");
    for (uint32_t level = 0; level < levels; ++level) {
        add(2 + 2 * level, NODE_TEST_SUITE, level == 0 ? 1 : 2 * level);
        add_check(3 + 2 * level, 2 + 2 * level, 1, level == levels - 1 ? 1 : 0);
    }
    roll_up_verdicts();
    EXPECT_EQ(find_node(0, 1)->status, VERDICT_FAILED);
    EXPECT_EQ(find_node(0, 3)->status, VERDICT_PASSED);
}
