// The message spool must give every list back whole and in order, whether its
// records went to the temporary file, stayed in memory because no file could
// be made, or straddle a block boundary.
#include "tree/message_spool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> read_list(SpoolOffset last)
{
    std::vector<std::string> texts;
    spool_visit_list(
        last,
        [](const char *text, size_t length, void *out) {
            static_cast<std::vector<std::string> *>(out)->emplace_back(text, length);
        },
        &texts);
    return texts;
}

// Three interleaved lists, one of them long (read back in segments past
// 65,536 records), with an empty text and one of 2.5 MiB that spans blocks:
// several MiB in all.
void fill_and_check(bool expect_file, int items = 100000)
{
    SpoolOffset last[3] = {0, 0, 0};
    std::vector<std::string> expected[3];
    const std::string big(5 << 19, 'x');
    for (int item = 0; item < items; ++item) {
        const int list = item % 7 == 0 ? item % 3 : 0;
        const std::string text = item == 5     ? std::string()
                                 : item == 700 ? big
                                               : "list " + std::to_string(list) + " message " + std::to_string(item);
        last[list] = spool_append(last[list], text.data(), text.size());
        expected[list].push_back(text);
    }
    EXPECT_EQ(spool_uses_file(), expect_file);
    for (int list = 0; list < 3; ++list)
        EXPECT_TRUE(read_list(last[list]) == expected[list]) << "list " << list;
    // Reading twice gives the same (the page cache is not a source of truth).
    EXPECT_TRUE(read_list(last[1]) == expected[1]);
    spool_clear();
}

}  // namespace

// Past the in-memory budget (small by default) records go to the file; a
// larger budget keeps them all; without a temporary folder everything
// stays in memory. Either way the lists read back the same.
TEST(MessageSpool, ListsComeBackWholeAndInOrder)
{
    EXPECT_TRUE(read_list(0).empty());
    fill_and_check(true);
    // After clearing, offsets start again and old lists are gone.
    const SpoolOffset one = spool_append(0, "a", 1);
    EXPECT_TRUE(read_list(spool_append(one, "b", 1)) == (std::vector<std::string>{"a", "b"}));
    spool_clear();
    spool_set_memory_budget(uint64_t(64) << 20);
    fill_and_check(false);
    spool_set_memory_budget(uint64_t(2) << 20);
    fill_and_check(true);
    spool_set_memory_budget(0);
    const char *saved = getenv("TMPDIR");
    const std::string kept = saved ? saved : "";
    setenv("TMPDIR", "/nonexistent/folder/for/tallyrpt", 1);
    fill_and_check(false);
    saved ? setenv("TMPDIR", kept.c_str(), 1) : unsetenv("TMPDIR");
}

// Lists just below, at and above the length read in one walk.
TEST(MessageSpool, ListsAroundTheOneWalkLength)
{
    for (int count : {65535, 65536, 65537}) {
        SpoolOffset last = 0;
        for (int i = 0; i < count; ++i) {
            const std::string text = std::to_string(i);
            last = spool_append(last, text.data(), text.size());
        }
        const std::vector<std::string> texts = read_list(last);
        ASSERT_EQ(texts.size(), static_cast<size_t>(count));
        for (int i = 0; i < count; i += 997)
            EXPECT_EQ(texts[i], std::to_string(i));
        EXPECT_EQ(texts.back(), std::to_string(count - 1));
        spool_clear();
    }
}

// A record that ends exactly at its block's end fills the block, which then
// goes to the file at once when no full block may stay in memory; whether
// a record still fits in the block being filled is decided to the byte.
TEST(MessageSpool, ABlockFilledToTheByteGoesToTheFile)
{
    spool_set_memory_budget(0);
    const SpoolOffset first = spool_append(0, "a", 1);  // 3 bytes with its header
    // The second record's header: its distance back (1 byte) and its length
    // (3 bytes), so that the two records take 1 MiB exactly.
    const std::string text((size_t(1) << 20) - 3 - 4, 'm');
    const SpoolOffset second = spool_append(first, text.data(), text.size());
    EXPECT_TRUE(spool_uses_file());
    EXPECT_TRUE(read_list(second) == (std::vector<std::string>{"a", text}));
    const SpoolOffset third = spool_append(second, "b", 1);
    EXPECT_TRUE(read_list(third) == (std::vector<std::string>{"a", text, "b"}));
    spool_clear();
}

// Lengths, and distances back to the list's previous record, on both sides
// of the points where their headers take one more byte (128 and 16,384).
TEST(MessageSpool, HeadersAroundTheVarintSteps)
{
    std::vector<std::string> expected;
    SpoolOffset last = 0;
    for (size_t around : {size_t(128), size_t(16384)}) {
        for (size_t length = around - 6; length <= around + 3; ++length) {
            expected.emplace_back(length, static_cast<char>('a' + length % 26));
            last = spool_append(last, expected.back().data(), length);
        }
    }
    EXPECT_TRUE(read_list(last) == expected);
    spool_clear();
}
