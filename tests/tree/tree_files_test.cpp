// The file list: newest first, positions over sections only, names, and the
// binding of dynamic file numbers with copy entries, answered from the head.
#include "tree_test_fixture.h"

#include "diagnostics/memory.h"

TEST_F(TreeTest, SectionsAreListedNewestFirst)
{
    add_file(0, 1, "A");
    add_file(1, 1, "B");
    add_file(1, 2, "C");  // the number again: names go to the newest entry
    set_file_names(1, "c.java");
    set_file_names(9, "nobody.java");
    ASSERT_EQ(file_count(), 3);
    EXPECT_STREQ(file_node_at(0)->text, "C");
    EXPECT_EQ(file_node_at(2), find_node(0, 1));
    EXPECT_EQ(file_node_at(2)->type, NODE_TEST_DRIVER);
    for (int position : {3, -1, 1000})
        EXPECT_EQ(file_node_at(position), nullptr) << position;
    EXPECT_EQ(file_list_head()->next->source_name, nullptr);
    EXPECT_EQ(file_name_of(9), nullptr);
    char *copy = file_name_of(1);
    EXPECT_STREQ(copy, "c.java");
    EXPECT_NE(copy, file_name_view(1));
    mem_free(copy);
}

TEST_F(TreeTest, BindingDynamicNumbers)
{
    add_file(0, 1, "A");
    set_file_names(0, "a.java");
    set_file_identity(0, 1, 1);
    add_file(1, 1, "B");
    set_file_identity(1, 2, 2);
    add_file(2, 1, "C");  // identity 0/0

    EXPECT_EQ(file_number_for_dynamic(0), 2);  // the newest unbound entry
    bind_dynamic_file(7, 0, 0);
    bind_dynamic_file(7, 2, 2);  // B carries 7 too, but C is nearer the head
    bind_dynamic_file(3, 9, 9);  // no such identity
    EXPECT_EQ(file_number_for_dynamic(7), 2);
    EXPECT_EQ(file_number_for_dynamic(0), 0);
    bind_dynamic_file(1, 1, 1);
    bind_dynamic_file(2, 1, 1);  // A is bound already: a copy entry
    EXPECT_EQ(file_count(), 3);
    const FileEntry *copy = file_list_head();
    EXPECT_EQ(copy->file_node, nullptr);
    EXPECT_EQ(copy->file_number * 100 + copy->dynamic_number, 2);
    EXPECT_EQ(copy->identity_first, 1u);
    EXPECT_STREQ(copy->source_name, "a.java");
    const std::pair<int32_t, int32_t> lookups[] = {{1, 0}, {2, 0}, {7, 2}, {3, -1}, {-1, -1}, {0, -1}};
    for (const auto &l : lookups)
        EXPECT_EQ(file_number_for_dynamic(l.first), l.second) << l.first;
    bind_dynamic_file(0, 2, 2);  // a copy entry carrying 0
    EXPECT_EQ(file_number_for_dynamic(0), 1);

    // Answers given before a binding do not outlive it.
    bind_dynamic_file(7, 1, 1);  // a newer copy entry of A carrying 7
    EXPECT_EQ(file_number_for_dynamic(7), 0);
    add_file(3, 1, "D");
    set_file_identity(3, 4, 4);
    EXPECT_EQ(file_number_for_dynamic(9), -1);
    bind_dynamic_file(9, 4, 4);
    EXPECT_EQ(file_number_for_dynamic(9), 3);
    // Small numbers are answered from an array that grows as numbers are
    // bound; large ones from the table alone. Neither loses the others.
    bind_dynamic_file(300, 2, 2);
    bind_dynamic_file(100000, 4, 4);
    const std::pair<int32_t, int32_t> later[] = {{7, 0}, {9, 3}, {300, 1}, {100000, 3}, {299, -1}, {99999, -1}};
    for (const auto &l : later)
        EXPECT_EQ(file_number_for_dynamic(l.first), l.second) << l.first;
}

TEST_F(TreeTest, IdentityChangesMoveTheBindingTarget)
{
    add_file(0, 1, "A");
    set_file_identity(0, 5, 5);
    add_file(1, 1, "B");
    set_file_identity(1, 5, 5);
    set_file_identity(1, 6, 6);  // B gives 5/5 back to A
    bind_dynamic_file(1, 5, 5);
    EXPECT_EQ(file_number_for_dynamic(1), 0);
    set_file_identity(0, 6, 6);  // both carry 6/6; B is nearer the head
    bind_dynamic_file(2, 6, 6);
    EXPECT_EQ(file_number_for_dynamic(2), 1);
    set_file_identity(0, 7, 7);  // A leaves 6/6, which B still holds
    bind_dynamic_file(3, 7, 7);
    bind_dynamic_file(4, 6, 6);
    bind_dynamic_file(5, 5, 5);
    EXPECT_EQ(file_number_for_dynamic(3), 0);
    EXPECT_EQ(file_number_for_dynamic(4), 1);
    EXPECT_EQ(file_number_for_dynamic(5), -1);
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
