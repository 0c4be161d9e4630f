// Node type names and classes, verdict words, labels and styles, checked
// against tables of expected values.
#include "report/vocabulary.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Vocabulary, TypeNamesAndClasses)
{
    for (const TableRow &row : read_table("report/node_types.table")) {
        const int type = std::stoi(row[0]);
        SCOPED_TRACE(type);
        EXPECT_EQ(type_name(type).toStdString(), row[1]);
        EXPECT_EQ(is_section_type(type), row[2] == "1");
        EXPECT_EQ(is_check_type(type), row[3] == "1");
        EXPECT_EQ(is_executable_type(type), row[4] == "1");
    }
}

TEST(Vocabulary, VerdictMappings)
{
    for (const TableRow &row : read_table("report/verdicts.table")) {
        const int verdict = std::stoi(row[0]);
        SCOPED_TRACE(verdict);
        EXPECT_EQ(status_word(verdict), row[1]);
        EXPECT_EQ(status_label(verdict).toStdString(), row[2]);
        EXPECT_EQ(status_style(verdict), std::stoi(row[3]));
    }
}

TEST(Vocabulary, TranslatedNamesButNeverTheMachineWords)
{
    ScopedCatalogue catalogue("tallygen_fr");
    ASSERT_TRUE(catalogue.loaded());
    EXPECT_EQ(type_name(26).toStdString(), "Cas de test");
    EXPECT_EQ(type_name(29).toStdString(), "Test Suite");
    // The catalogue translates "-~", but it is never looked up.
    EXPECT_EQ(type_name(33).toStdString(), "-~");
    EXPECT_EQ(status_label(3).toStdString(), "R\xC3\xA9ussi");
    EXPECT_EQ(status_label(2).toStdString(), "\xC3\x89" "chou\xC3\xA9");
    EXPECT_STREQ(status_word(3), "ok");
}

}  // namespace
