// Nodes: the key index with its first-wins rule, creation, copies, equal
// children and messages.
#include "tree_test_fixture.h"

#include "diagnostics/memory.h"
#include "tree/message_spool.h"
#include "tree/node_store.h"

#include <string>
#include <vector>

// Keys of every shape: negative and huge file numbers, identifiers far beyond
// a section's size, and a far identifier that a section's range later
// reaches (identifier 9000 once section 0 holds 6000 nodes). A child whose
// key is taken is linked but not indexed; one whose parent is missing is
// dropped. The reference and the made type of a node come from the same
// look-up; the made type outlasts a retyping, and the index only knows it
// for identifiers in a section's array (the first two keys here), where
// the section's index view holds their references too.
TEST_F(TreeTest, FirstNodePerKeyWins)
{
    const std::pair<int32_t, uint32_t> keys[] = {{0, 0}, {0, 5},  {0, 9000}, {0, 0xffffffffu},
                                                 {-1, 3}, {2000000, 7}, {3, 100000}};
    const int32_t types[] = {NODE_PRINT, NODE_TEST_SUITE};
    std::vector<TestNode *> first;
    for (const auto &key : keys) {
        first.push_back(create_node(types[first.size() % 2], key.first, key.second, "a", nullptr, 0));
        index_insert(first.back());
    }
    for (uint32_t identifier = 10; identifier < 6000; ++identifier)
        index_insert(create_node(NODE_TEST_CASE, 0, identifier, "n", nullptr, 0));
    for (size_t i = 0; i < first.size(); ++i) {
        index_insert(create_node(NODE_TEST_CASE, keys[i].first, keys[i].second, "b", nullptr, 0));
        EXPECT_EQ(find_node(keys[i].first, keys[i].second), first[i]) << i;
        EXPECT_EQ(node_at(find_node_reference(keys[i].first, keys[i].second)), first[i]) << i;
        // The view's entry, where there is one, holds that reference or 0.
        const IndexView view = index_view(keys[i].first);
        const bool in_view = keys[i].second < view.size;
        const uint32_t reference = in_view ? view.references[keys[i].second] : 0;
        EXPECT_TRUE(reference == 0 || node_at(reference) == first[i]) << i;
        EXPECT_EQ(reference != 0, i < 2) << i;
        first[i]->type = NODE_STUB;
        EXPECT_EQ(indexed_made_type(keys[i].first, keys[i].second), i < 2 ? types[i % 2] : unknown_made_type) << i;
    }
    EXPECT_EQ(indexed_made_type(0, 11), NODE_TEST_CASE);
    EXPECT_EQ(indexed_made_type(0, 6), unknown_made_type);  // no node, but some outside the arrays
    EXPECT_EQ(find_node(0, 8999), nullptr);
    EXPECT_EQ(find_node_reference(0, 8999), 0u);
    const IndexView section = index_view(0);
    ASSERT_GT(section.size, 6u);  // inside the array, no node
    EXPECT_EQ(section.references[6], 0u);
    EXPECT_LT(section.size, 0xffffffffu - 1);
    EXPECT_EQ(index_view(-1).size, 0u);
    EXPECT_EQ(index_view(2000000).size, 0u);
    EXPECT_EQ(find_node(-2, 3), nullptr);
    index_insert(nullptr);

    tree_init();
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_SUITE, 2, "first", 1, 0);
    add_child(0, NODE_TEST_CASE, 2, "second", 1, 0);
    add_child(0, NODE_TEST_CASE, 3, "orphan", 9, 0);
    add_child(1, NODE_TEST_CASE, 4, "elsewhere", 1, 0);  // no node (1, 1)
    TestNode *driver = find_node(0, 1);
    EXPECT_EQ(find_node(0, 2), driver->first_child);
    EXPECT_STREQ(driver->first_child->next_sibling->text, "second");
    EXPECT_TRUE(!find_node(0, 3) && !find_node(1, 4) && driver->last_child == driver->first_child->next_sibling);
    EXPECT_EQ(indexed_made_type(0, 2), NODE_TEST_SUITE);
    EXPECT_EQ(indexed_made_type(0, 3), 0);
    EXPECT_EQ(indexed_made_type(1, 4), 0);
}

// Check types start not executed with zeroed counters, others passed and
// without; the text is a private copy.
TEST_F(TreeTest, CreatedNodesStartFromTheirType)
{
    const std::pair<int32_t, bool> types[] = {
        {NODE_CHECK_EXPRESSION, true}, {NODE_COMMENT, true}, {NODE_PRINT, true}, {NODE_CHECK_STUB, true},
        {NODE_TEST_CASE, false}, {NODE_TEST_DRIVER, false}, {NODE_STUB, false}, {33, false},
    };
    char text[] = "text";
    for (const auto &t : types) {
        TestNode *node = create_node(t.first, 4, 5, text, nullptr, 17);
        const CheckCounters *c = node->extension;
        EXPECT_EQ(node->status, t.second ? VERDICT_NOT_EXECUTED : VERDICT_PASSED) << t.first;
        EXPECT_EQ(c && !(c->total_count | c->pass_count | c->fail_count | c->entry_count), t.second) << t.first;
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
    EXPECT_TRUE(copy->type == NODE_PRINT && copy->identifier == 3u && copy->status == VERDICT_NOT_EXECUTED);
    EXPECT_TRUE(copy->extension->pass_count + copy->extension->total_count == 0 && !has_messages(copy));
    EXPECT_TRUE(!copy->first_child && copy->parent == context && context->last_child == copy);
    EXPECT_EQ(context->first_child->next_sibling, copy);
    EXPECT_EQ(find_node(0, 3), model);
    EXPECT_TRUE(!append_copy(nullptr, model) && !append_copy(context, nullptr));
    TestNode *second = append_copy_of_indexed(context, model);  // the form for indexed models
    EXPECT_TRUE(copy->next_sibling == second && context->last_child == second && second->parent == context);
    EXPECT_TRUE(second->type == NODE_PRINT && second->line == 40 && find_node(0, 3) == model);

    for (const char *text : {"two", "", "three"})
        add_message(model, mem_strdup(text));
    add_message(nullptr, mem_strdup("dropped"));
    std::string messages;
    for_each_message(
        model, [](const char *text, size_t length, void *out) { *static_cast<std::string *>(out) += std::string(text, length) + ";"; },
        &messages);
    EXPECT_EQ(messages, "seen;two;;three;");
}

TEST_F(TreeTest, FindEqualChildGivesTheFirstEqualChild)
{
    add_file(0, 1, "driver");
    add_child(0, NODE_TEST_CASE, 2, "case", 1, 0);
    add_child(0, NODE_CHECK_EXPRESSION, 3, "a == b", 2, 10);
    add_child(0, NODE_TEST_CASE, 4, "other", 1, 0);
    TestNode *context = find_node(0, 2), *model = find_node(0, 3), *other = find_node(0, 4);

    // The model is indexed: the form that takes that as given agrees.
    const auto equal_child = [](TestNode *in, TestNode *of) {
        EXPECT_EQ(find_equal_child_of_indexed(in, of), find_equal_child(in, of));
        return find_equal_child(in, of);
    };
    EXPECT_EQ(equal_child(context, model), model);  // the model is the context's child
    EXPECT_EQ(equal_child(nullptr, model), nullptr);
    EXPECT_EQ(equal_child(context, nullptr), nullptr);
    EXPECT_EQ(equal_child(other, model), nullptr);
    TestNode *copy = append_copy(other, model);
    add_child(0, NODE_PRINT, 5, "later", 4, 11);
    append_copy_of_indexed(other, model);  // a later equal child
    EXPECT_EQ(equal_child(other, model), copy);

    // Type, file number, identifier, text and line must all be equal.
    TestNode *differing[] = {
        create_node(NODE_PRINT, 0, 3, "a == b", nullptr, 10),
        create_node(NODE_CHECK_EXPRESSION, 1, 3, "a == b", nullptr, 10),
        create_node(NODE_CHECK_EXPRESSION, 0, 30, "a == b", nullptr, 10),
        create_node(NODE_CHECK_EXPRESSION, 0, 3, "a == B", nullptr, 10),
        create_node(NODE_CHECK_EXPRESSION, 0, 3, "a == ", nullptr, 10),
        create_node(NODE_CHECK_EXPRESSION, 0, 3, "a == b", nullptr, 11),
    };
    for (TestNode *probe : differing) {
        EXPECT_EQ(find_equal_child(context, probe), nullptr) << probe->text << probe->line;
        EXPECT_EQ(find_equal_child(other, probe), nullptr) << probe->text << probe->line;
    }
    // Texts made after the tree was told they were complete still compare
    // equal to the stored ones.
    tree_texts_complete();
    EXPECT_EQ(find_equal_child(other, create_node(NODE_CHECK_EXPRESSION, 0, 3, "a == b", nullptr, 10)), copy);
    EXPECT_STREQ(create_node(NODE_PRINT, 0, 9, "later", nullptr, 0)->text, "later");
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

// Equal texts are one stored copy, whether the table that finds them grew as
// they came, was sized ahead with texts already in it, or was released and
// built again.
TEST_F(TreeTest, EqualTextsShareOneCopyHoweverTheTextTableIsSized)
{
    const auto text_of = [](int i) { return "text " + std::to_string(i); };
    const auto stored = [&](int i) {
        return create_node(NODE_PRINT, 0, static_cast<uint32_t>(i), text_of(i).c_str(), nullptr, 0)->text.at;
    };
    std::vector<uint32_t> first;
    for (int i = 0; i < 5000; ++i)
        first.push_back(stored(i));
    for (size_t texts : {size_t(0), size_t(100000), size_t(10)}) {
        reserve_text_table(texts);
        for (int i = 0; i < 5000; i += 7)
            ASSERT_EQ(stored(i), first[i]) << texts << " " << i;
        tree_texts_complete();
    }
    EXPECT_NE(stored(5000), first[0]);
    EXPECT_STREQ(NodeText{first[4999]}, "text 4999");
}

// Every byte of a text goes into its hash, whatever its length: the hash
// reads texts in steps of sixteen, eight and four bytes.
TEST(TextHash, EveryByteCounts)
{
    for (size_t length = 0; length <= 40; ++length) {
        std::string text(length, 'a');
        const uint64_t hash = text_store_hash(text.data(), length);
        if (length) {
            EXPECT_NE(hash, text_store_hash(text.data(), length - 1)) << length;
        }
        for (size_t at = 0; at < length; ++at) {
            std::string changed = text;
            changed[at] = 'b';
            EXPECT_NE(hash, text_store_hash(changed.data(), length)) << length << " " << at;
        }
    }
}

// The stores fill a block to the end before they take another, however they
// make its pages present along the way, and what they hold reads back whole.
TEST_F(TreeTest, StoresTakeANewBlockOnlyWhenTheirBlockIsFull)
{
    const uint32_t node_units = node_blocks.unit_mask + 1;
    uint32_t previous = 0, unit_count = 0, blocks_seen = 1;
    for (uint32_t i = 0; i < 120000; ++i) {
        const uint32_t reference = node_reference(create_node(NODE_PRINT, 0, i, "x", nullptr, 0));
        if (previous && (reference >> node_blocks.unit_shift) == (previous >> node_blocks.unit_shift)) {
            if (!unit_count)
                unit_count = reference - previous;
            ASSERT_EQ(reference - previous, unit_count) << i;
        } else if (previous) {
            ASSERT_GT((previous & node_blocks.unit_mask) + 2 * unit_count, node_units) << i;
            ++blocks_seen;
        }
        previous = reference;
    }
    EXPECT_GE(blocks_seen, 3u);

    const size_t text_block = size_t(text_blocks.offset_mask) + 1;
    std::vector<std::pair<uint32_t, std::string>> texts;
    blocks_seen = 1;
    for (int i = 0; i < 60000; ++i) {
        std::string text = std::to_string(i) + std::string(static_cast<size_t>(60 + i % 70), 'a' + i % 26);
        const uint32_t reference = store_text(text.data(), text.size());
        if (!texts.empty()) {
            const uint32_t before = texts.back().first;
            const size_t end = (before & text_blocks.offset_mask) + texts.back().second.size() + 1;
            if ((reference >> text_blocks.offset_bits) == (before >> text_blocks.offset_bits)) {
                ASSERT_EQ(reference & text_blocks.offset_mask, end) << i;
            } else {
                ASSERT_GT(end + text.size() + 1, text_block) << i;
                ++blocks_seen;
            }
        }
        texts.emplace_back(reference, std::move(text));
    }
    EXPECT_GE(blocks_seen, 3u);
    for (const auto &[reference, text] : texts)
        ASSERT_EQ(text_at(reference), text);
}

// Messages stay in memory while they fit the tree's budget (16 bytes a node),
// also in a tree built again after tree_free with the very same node count:
// the budget is set again for it, not kept from the tree before.
TEST_F(TreeTest, ATreeBuiltAgainKeepsItsMessagesInMemory)
{
    const std::string text(1000, 'm');
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            tree_free();
            tree_init();
        }
        add_file(0, 1, "driver");
        for (uint32_t identifier = 2; identifier < 400000; ++identifier)
            add_child(0, NODE_PRINT, identifier, "log(x)", 1, 0);
        TestNode *print = find_node(0, 2);
        for (int message = 0; message < 3000; ++message)  // 3 MB against a budget of 6.4 MB
            add_message_bytes(print, text.data(), text.size());
        EXPECT_FALSE(spool_uses_file()) << round;
        size_t count = 0;
        for_each_message(print, [](const char *, size_t, void *out) { ++*static_cast<size_t *>(out); }, &count);
        EXPECT_EQ(count, 3000u) << round;
    }
}
