// Nodes: the key index, creation, appending, copies, equal children and
// messages.
#include "tree_test_fixture.h"

#include "diagnostics/memory.h"

#include <string>
#include <vector>

TEST(KeyBucket, WorkedValues)
{
    const struct {
        int32_t file_number;
        uint32_t identifier, bucket;
    } cases[] = {{0, 0, 23}, {0, 0x1a, 33}, {12, 0xabc, 65}, {-1, 5, 46}};
    for (const auto &c : cases)
        EXPECT_EQ(key_bucket(c.file_number, c.identifier), c.bucket) << c.identifier;
}

TEST_F(TreeTest, FirstNodePerKeyWinsAndMissingParentsDropTheRecord)
{
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_SUITE, 2, "first", 1, 0);
    add_child(0, NODE_TEST_CASE, 2, "second", 1, 0);   // same key: linked, not indexed
    add_child(0, NODE_TEST_CASE, 3, "orphan", 9, 0);   // no node (0, 9)
    add_child(1, NODE_TEST_CASE, 4, "elsewhere", 1, 0);  // no node (1, 1)
    index_insert(create_node(NODE_TEST_CASE, 0, 2, "loose", nullptr, 0));
    index_insert(nullptr);
    TestNode *driver = find_node(0, 1);
    ASSERT_NE(driver->first_child, nullptr);
    EXPECT_EQ(find_node(0, 2), driver->first_child);
    EXPECT_STREQ(driver->last_child->text, "second");
    EXPECT_EQ(driver->first_child->next_sibling, driver->last_child);
    EXPECT_EQ(find_node(0, 3), nullptr);
    EXPECT_EQ(find_node(1, 4), nullptr);
}

// Keys of every shape: negative and huge file numbers, identifiers far beyond
// a section's size, and a far identifier that a section's range later
// reaches. The first node per key wins throughout.
TEST_F(TreeTest, FirstNodePerKeyWinsForKeysOfEveryShape)
{
    const struct {
        int32_t file_number;
        uint32_t identifier;
    } keys[] = {{0, 0}, {0, 5}, {0, 9000}, {0, 0xffffffffu}, {-1, 3}, {2000000, 7}, {3, 100000}};
    std::vector<TestNode *> first;
    for (const auto &key : keys) {
        first.push_back(create_node(NODE_TEST_CASE, key.file_number, key.identifier, "a", nullptr, 0));
        index_insert(first.back());
    }
    // Enough nodes in section 0 to bring identifier 9000 into its dense range.
    for (uint32_t identifier = 10; identifier < 6000; ++identifier)
        index_insert(create_node(NODE_TEST_CASE, 0, identifier, "n", nullptr, 0));
    for (size_t i = 0; i < first.size(); ++i) {
        index_insert(create_node(NODE_TEST_CASE, keys[i].file_number, keys[i].identifier, "b", nullptr, 0));
        EXPECT_EQ(find_node(keys[i].file_number, keys[i].identifier), first[i]) << i;
    }
    EXPECT_EQ(find_node(0, 8999), nullptr);
    EXPECT_EQ(find_node(1, 5), nullptr);
    EXPECT_EQ(find_node(-2, 3), nullptr);
}

TEST_F(TreeTest, CreatedNodesStartFromTheirType)
{
    const int32_t check_types[] = {NODE_CHECK_EXPRESSION, NODE_COMMENT, NODE_PRINT, NODE_CHECK_STUB};
    const int32_t other_types[] = {NODE_TEST_CASE, NODE_TEST_DRIVER, NODE_STUB, 33};
    char text[] = "text";
    for (bool check : {true, false})
        for (int32_t type : check ? check_types : other_types) {
            TestNode *node = create_node(type, 4, 5, text, nullptr, 17);
            EXPECT_EQ(node->line, 17);
            EXPECT_NE(node->text, text);
            if (check) {
                EXPECT_EQ(node->status, VERDICT_NOT_EXECUTED) << type;
                ASSERT_NE(node->extension, nullptr) << type;
                EXPECT_EQ(node->extension->total_count + node->extension->pass_count
                              + node->extension->fail_count + node->extension->entry_count, 0);
            } else {
                EXPECT_EQ(node->status, VERDICT_PASSED) << type;
                EXPECT_EQ(node->extension, nullptr) << type;
            }
        }
    TestNode *copied = create_node(NODE_TEST_CASE, 0, 1, text, nullptr, 0);
    text[0] = 'X';
    EXPECT_STREQ(copied->text, "text");
    EXPECT_STREQ(create_node(NODE_TEST_CASE, 0, 1, nullptr, nullptr, 0)->text, "");
    EXPECT_EQ(find_node(4, 5), nullptr);  // not indexed
}

TEST_F(TreeTest, AppendCopyStartsFreshAndStaysUnindexed)
{
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_CASE, 2, "case", 1, 0);
    add_child(0, NODE_PRINT, 3, "log(x)", 1, 40);
    add_child(0, NODE_CHECK_EXPRESSION, 4, "inner", 3, 41);
    add_child(0, NODE_COMMENT, 5, "existing", 2, 0);
    TestNode *context = find_node(0, 2), *model = find_node(0, 3);
    model->status = VERDICT_FAILED;
    *model->extension = CheckCounters{2, 2, 0, 1};
    add_message(model, mem_strdup("seen"));

    TestNode *copy = append_copy(context, model);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::string(copy->text) + "@" + std::to_string(copy->line), "log(x)@40");
    EXPECT_EQ(copy->type, NODE_PRINT);
    EXPECT_EQ(copy->identifier, 3u);
    EXPECT_EQ(copy->status, VERDICT_NOT_EXECUTED);
    EXPECT_EQ(copy->extension->pass_count + copy->extension->total_count, 0);
    EXPECT_TRUE(!first_message_of(copy) && !copy->first_child);
    EXPECT_EQ(copy->parent, context);
    EXPECT_EQ(context->first_child->next_sibling, copy);
    EXPECT_EQ(context->last_child, copy);
    EXPECT_EQ(find_node(0, 3), model);
    EXPECT_EQ(append_copy(nullptr, model), nullptr);
    EXPECT_EQ(append_copy(context, nullptr), nullptr);

    for (const char *text : {"two", "", "three"})
        add_message(model, mem_strdup(text));
    add_message(nullptr, mem_strdup("dropped"));
    std::string messages;
    for (const MessageEntry *entry = first_message_of(model); entry; entry = entry->next)
        messages += std::string(entry->text) + ";";
    EXPECT_EQ(messages, "seen;two;;three;");
}

TEST_F(TreeTest, FindEqualChildGivesTheFirstEqualChild)
{
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_CASE, 2, "case", 1, 0);
    add_child(0, NODE_CHECK_EXPRESSION, 3, "a == b", 2, 10);
    add_child(0, NODE_TEST_CASE, 4, "other", 1, 0);
    TestNode *context = find_node(0, 2), *model = find_node(0, 3), *other = find_node(0, 4);

    EXPECT_EQ(find_equal_child(context, model), model);  // the model is the context's child
    EXPECT_EQ(find_equal_child(nullptr, model), nullptr);
    EXPECT_EQ(find_equal_child(context, nullptr), nullptr);
    EXPECT_EQ(find_equal_child(other, model), nullptr);
    TestNode *copy = append_copy(other, model);
    add_child(0, NODE_PRINT, 5, "later", 4, 11);
    append_copy(other, model);  // a later equal child
    EXPECT_EQ(find_equal_child(other, model), copy);

    const struct {
        int32_t type, file_number;
        uint32_t identifier;
        const char *text;
        int32_t line;
    } differing[] = {{NODE_PRINT, 0, 3, "a == b", 10},          {NODE_CHECK_EXPRESSION, 1, 3, "a == b", 10},
                     {NODE_CHECK_EXPRESSION, 0, 30, "a == b", 10}, {NODE_CHECK_EXPRESSION, 0, 3, "a == B", 10},
                     {NODE_CHECK_EXPRESSION, 0, 3, "a == ", 10},   {NODE_CHECK_EXPRESSION, 0, 3, "a == b", 11}};
    for (const auto &d : differing) {
        TestNode *probe = create_node(d.type, d.file_number, d.identifier, d.text, nullptr, d.line);
        EXPECT_EQ(find_equal_child(context, probe), nullptr) << d.text << d.line;
        EXPECT_EQ(find_equal_child(other, probe), nullptr) << d.text << d.line;
    }
}

TEST_F(TreeTest, FindEqualChildSeesTypeChangesAmongSameKeyChildren)
{
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_CASE, 3, "scope", 1, 0);
    add_child(0, NODE_TEST_CLASS, 3, "scope", 1, 0);  // same key, text and line
    TestNode *context = find_node(0, 1);
    TestNode *first = context->first_child, *second = context->last_child;
    TestNode *as_class = create_node(NODE_TEST_CLASS, 0, 3, "scope", nullptr, 0);
    TestNode *as_stub = create_node(NODE_STUB, 0, 3, "scope", nullptr, 0);
    EXPECT_EQ(find_equal_child(context, as_class), second);
    EXPECT_EQ(find_equal_child(context, as_stub), nullptr);
    second->type = NODE_STUB;  // retyped after the context's table was built
    EXPECT_EQ(find_equal_child(context, as_stub), second);
    EXPECT_EQ(find_equal_child(context, as_class), nullptr);
    first->type = NODE_STUB;
    EXPECT_EQ(find_equal_child(context, as_stub), first);
}

TEST_F(TreeTest, FindEqualChildInAWideContext)
{
    // 100,000 children looked up and copied elsewhere: quadratic if each
    // look-up scanned the children.
    const uint32_t count = 100000;
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_CASE, 2, "wide", 1, 0);
    add_child(0, NODE_TEST_CASE, 3, "elsewhere", 1, 0);
    for (uint32_t id = 10; id < 10 + count; ++id)
        add_child(0, NODE_CHECK_EXPRESSION, id, "check", 2, 1);
    TestNode *wide = find_node(0, 2), *elsewhere = find_node(0, 3);
    for (uint32_t id = 10; id < 10 + count; ++id) {
        TestNode *model = find_node(0, id);
        ASSERT_EQ(find_equal_child(wide, model), model);
        ASSERT_EQ(find_equal_child(elsewhere, model), nullptr);
        TestNode *copy = append_copy(elsewhere, model);
        ASSERT_EQ(find_equal_child(elsewhere, model), copy);
    }
}
