// The verdict roll-up: the combination table and the settled verdicts of
// check nodes, scopes and sections.
#include "tree_test_fixture.h"

#include "tree/dump.h"
#include "tree/rollup.h"

#include <random>
#include <string>

namespace {

// A node under (0, parent); a check gets status 1 and the counters when any
// counter is given (the dynamic trace reached it).
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

TEST_F(TreeTest, CheckVerdictsComeFromTheirCounters)
{
    const struct {
        CheckCounters counters;
        int32_t interim, status, total;
    } cases[] = {
        {{0, 2, 1, 0}, 1, VERDICT_FAILED, 3},   {{4, 0, 0, 0}, 1, VERDICT_PASSED, 4},
        {{0, 0, 0, 1}, 1, VERDICT_EXECUTED, 0}, {{9, 1, 0, 0}, 1, VERDICT_PASSED, 1},
        {{0, 0, 0, 0}, 0, VERDICT_NOT_EXECUTED, 0},
    };
    add_file(0, 1, "driver");
    uint32_t identifier = 2;
    for (const auto &c : cases)
        add(identifier++, NODE_CHECK_EXPRESSION, 1, c.interim, c.counters);
    roll_up_verdicts();
    identifier = 2;
    for (const auto &c : cases) {
        const TestNode *check = find_node(0, identifier++);
        EXPECT_EQ(check->status, c.status) << identifier;
        EXPECT_EQ(check->extension->total_count, c.total) << identifier;
    }
}

TEST_F(TreeTest, CheckWithCheckChildrenTakesThemIn)
{
    add_file(0, 1, "driver");
    TestNode *parent = add(3, NODE_CHECK_EXPRESSION, 1, VERDICT_EXECUTED, {5, 0, 0, 0});
    add_check(4, 3, 2, 0);
    add_check(5, 3, 1, 1);
    add(6, NODE_TEST_CLASS, 3);  // not a check: not taken in
    roll_up_verdicts();
    EXPECT_EQ(parent->extension->pass_count, 3);
    EXPECT_EQ(parent->extension->fail_count, 1);
    EXPECT_EQ(parent->extension->total_count, 4);
    EXPECT_EQ(parent->status, VERDICT_FAILED);  // not passed from its own total
}

TEST_F(TreeTest, ScopesTakeTheVerdictsOfTheChecksBelow)
{
    const struct {
        const char *what;
        int32_t case_interim;
        void (*build)();
        int32_t case_status;
    } cases[] = {
        {"one passed check", 1, [] { add_check(3, 2, 1, 0); }, VERDICT_PASSED},
        {"passed and failed", 1, [] { add_check(3, 2, 1, 0); add_check(4, 2, 0, 1); }, VERDICT_FAILED},
        {"unreached checks", 1, [] { add(3, NODE_PRINT, 2); add(4, NODE_PRINT, 2); }, VERDICT_NONE},
        {"passed and unreached", 1, [] { add_check(3, 2, 1, 0); add(4, NODE_PRINT, 2); }, VERDICT_PASSED},
        {"nested check", 1, [] { add(3, NODE_TEST_CLASS, 2); add_check(4, 3, 1, 0); }, VERDICT_PASSED},
        {"executed leaf", 1, [] {}, VERDICT_NONE},
        {"failed leaf", 2, [] {}, VERDICT_FAILED},
        {"untouched leaf", 3, [] {}, VERDICT_NONE},
        {"case failed, check passed", 2, [] { add_check(3, 2, 1, 0); }, VERDICT_FAILED},
    };
    for (const auto &c : cases) {
        tree_init();
        add_file(0, 1, "driver");
        add(7, NODE_TEST_SUITE, 1);
        TestNode *test_case = add(2, NODE_TEST_CASE, 7, c.case_interim);
        c.build();
        roll_up_verdicts();
        EXPECT_EQ(test_case->status, c.case_status) << c.what;
        EXPECT_EQ(find_node(0, 7)->status, c.case_status) << c.what;
        EXPECT_EQ(find_node(0, 1)->status, c.case_status) << c.what;
    }
}

TEST_F(TreeTest, SuiteFailsWhenOneOfItsCasesFails)
{
    add_file(0, 1, "driver");
    TestNode *suite = add(2, NODE_TEST_SUITE, 1);
    add(3, NODE_TEST_CASE, 2, VERDICT_EXECUTED);
    add(4, NODE_TEST_CASE, 2, VERDICT_EXECUTED);
    add_check(5, 3, 1, 0);
    add_check(6, 4, 0, 2);
    roll_up_verdicts();
    EXPECT_EQ(find_node(0, 3)->status, VERDICT_PASSED);
    EXPECT_EQ(suite->status, VERDICT_FAILED);
    EXPECT_EQ(find_node(0, 1)->status, VERDICT_FAILED);
}

TEST_F(TreeTest, UnrunLeafOfAnExecutableTypeCountsAsNotExecutedForItsParent)
{
    for (int32_t leaf_type : {NODE_TEST_CASE, NODE_TEST_CLASS}) {
        tree_init();
        add_file(0, 1, "driver");
        TestNode *check = add_check(3, 1, 0, 0);
        add(4, leaf_type, 3);
        roll_up_verdicts();
        EXPECT_EQ(check->status, leaf_type == NODE_TEST_CASE ? VERDICT_NOT_EXECUTED : VERDICT_PASSED);
    }
}

TEST_F(TreeTest, NodesWithIdentifierZeroTakeInTheirChildren)
{
    add_file(0, 0, "driver with identifier 0");
    add(2, NODE_TEST_SUITE, 0, VERDICT_FAILED);  // failed without any check below
    add(3, NODE_TEST_SUITE, 0);
    add_check(4, 3, 1, 0);
    roll_up_verdicts();
    EXPECT_EQ(find_node(0, 0)->status, VERDICT_FAILED);
    EXPECT_EQ(find_node(0, 3)->status, VERDICT_PASSED);
}

namespace {

// Three sections of random shape, types, statuses and counters; the same for
// the same seed. Some nodes carry identifier 0.
void build_random_forest(unsigned seed)
{
    std::mt19937 random(seed);
    const int32_t types[] = {NODE_CHECK_EXPRESSION, NODE_PRINT, NODE_COMMENT, NODE_TEST_CASE, NODE_TEST_SUITE,
                             NODE_TEST_CLASS, NODE_STUB, NODE_CHECK_STUB, NODE_PROC};
    for (int32_t file = 0; file < 3; ++file) {
        add_file(file, file == 1 ? 0 : 1000, "driver");
        std::vector<uint32_t> parents{file == 1 ? 0u : 1000u};
        for (uint32_t id = 1; id < 400; ++id) {
            const uint32_t parent = parents[random() % parents.size()];
            const bool zero = random() % 5 == 0;
            add_child(file, types[random() % 9], zero ? 0 : id, "n", parent, 0);
            TestNode *node = find_node(file, parent)->last_child;
            node->status = static_cast<int32_t>(random() % 5 == 0 ? 3 : random() % 4);
            if (node->extension && random() % 2)
                *node->extension = CheckCounters{int32_t(random() % 3), int32_t(random() % 3),
                                                 int32_t(random() % 5 == 0), int32_t(random() % 2)};
            if (!zero)
                parents.push_back(id);
        }
    }
}

void walk_every_section(NodeVisitor visitor)
{
    for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
        walk_tree(entry->file_node, visitor, nullptr);
}

}  // namespace

TEST_F(TreeTest, RollUpMatchesThePassesRunOneByOne)
{
    // roll_up_verdicts defers the climbs of the last pass; the plain
    // visitors must give the same tree.
    for (unsigned seed = 1; seed <= 20; ++seed) {
        tree_init();
        build_random_forest(seed);
        walk_every_section(settle_status);
        walk_every_section(mark_scope_status);
        walk_every_section(spread_status);
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
