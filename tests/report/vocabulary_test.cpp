// Node type names and classes, verdict words, labels and styles, checked
// against the vocabulary table as data.
#include "report/vocabulary.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// type, display name, section, check, executable
struct TypeRow {
    int type;
    const char *name;
    bool section, check, executable;
};

const TypeRow type_table[] = {
    {1, "Prologue", 0, 0, 0},        {2, "Epilogue", 0, 0, 0},
    {3, "Check Expression", 0, 1, 0}, {4, "Checksum", 0, 0, 0},
    {5, "Class", 0, 0, 0},           {6, "Check Method", 0, 1, 0},
    {7, "Comment", 0, 1, 0},         {8, "Call", 0, 0, 0},
    {9, "Check Stub", 0, 1, 1},      {10, "Check Exception", 0, 1, 0},
    {11, "Check Property", 0, 1, 0}, {12, "Post Condition", 0, 1, 0},
    {13, "Expression", 0, 0, 0},     {14, "# ", 0, 0, 0},
    {15, "Test Driver", 1, 0, 0},    {16, "Invariant", 0, 1, 0},
    {17, "Proc", 1, 0, 1},           {18, "Print", 0, 1, 0},
    {19, "Property", 0, 0, 0},       {20, "Run Component", 0, 0, 0},
    {21, "Pre Condition", 0, 1, 0},  {22, "Run", 0, 0, 0},
    {23, "Stub", 1, 0, 1},           {24, "Single Class", 0, 0, 0},
    {25, "State", 0, 1, 0},          {26, "Test Case", 1, 0, 1},
    {27, "Test Class", 1, 0, 0},     {28, "Transition", 0, 1, 0},
    {29, "Test Suite", 1, 0, 0},     {30, "Method Contract", 0, 0, 0},
    {31, "Observation State", 0, 1, 0},
    {35, "Test Compiler Version", 0, 0, 0},
    {36, "Test Compilation Time", 0, 0, 0},
};

TEST(Vocabulary, TypeNamesAndClasses)
{
    for (const TypeRow &row : type_table) {
        SCOPED_TRACE(row.type);
        EXPECT_EQ(type_name(row.type).toStdString(), row.name);
        EXPECT_EQ(is_section_type(row.type), row.section);
        EXPECT_EQ(is_check_type(row.type), row.check);
        EXPECT_EQ(is_executable_type(row.type), row.executable);
    }
}

TEST(Vocabulary, ValuesThatNameNoType)
{
    for (int type : {-1, 0, 32, 33, 34, 37, 1000}) {
        EXPECT_EQ(type_name(type).toStdString(), "-~") << type;
        EXPECT_FALSE(is_section_type(type) || is_check_type(type) || is_executable_type(type)) << type;
    }
}

TEST(Vocabulary, VerdictMappings)
{
    struct Row {
        int verdict;
        const char *word;
        const char *label;
        int style;
    };
    const Row rows[] = {
        {0, "NE", "Not Executed", 1}, {1, "NE", "Not Executed", 1}, {2, "ko", "Failed", 2},
        {3, "ok", "Passed", 3},       {4, "NE", "Not Executed", 2}, {5, "NE", "Not Executed", 0},
        {6, "NE", "Not Executed", 0}, {-1, "NE", "Not Executed", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.verdict);
        EXPECT_STREQ(status_word(row.verdict), row.word);
        EXPECT_EQ(status_label(row.verdict).toStdString(), row.label);
        EXPECT_EQ(status_style(row.verdict), row.style);
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
