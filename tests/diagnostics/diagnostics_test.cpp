// The diagnostic printer byte for byte: head, severity word, location,
// message with its placeholders filled, translation through a catalogue.
#include "diagnostics/errors.h"
#include "diagnostics/files.h"
#include "diagnostics/memory.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

std::string printed(const std::function<void()> &body)
{
    return capture_stream(stderr, body);
}

TEST(DiagnosticTable, CodesMessagesAndSeverities)
{
    struct Row {
        ErrorCode code;
        const char *message;
        Severity severity;
    };
    const Row rows[] = {
        {ERR_INTERNAL, "internal error: %1", SEVERITY_FATAL},
        {ERR_NO_MEMORY, "out of memory", SEVERITY_FATAL},
        {ERR_NO_FILE, "%1, no such file or directory.", SEVERITY_ERROR},
        {ERR_BAD_FORMAT, "%1, file format not recognized.", SEVERITY_ERROR},
        {ERR_PERMISSION, "%1, permission denied;", SEVERITY_ERROR},
        {ERR_WRITE_FAILED, "%1, write failed.", SEVERITY_ERROR},
        {ERR_UNEXPECTED, "(unexpected error)", SEVERITY_FATAL},
    };
    ASSERT_EQ(diagnostic_table_size, 7);
    for (const Row &row : rows) {
        EXPECT_STREQ(diagnostic_table[row.code].message, row.message);
        EXPECT_EQ(diagnostic_table[row.code].severity, row.severity) << row.message;
    }
}

TEST(DiagnosticLine, LocationForms)
{
    struct Case {
        const char *file;
        int line;
        const char *expected;
    };
    const Case cases[] = {
        {nullptr, 0, "tallyrpt - error: t.tdf, no such file or directory.\n"},
        {"a.tsf", 0, "tallyrpt - error: a.tsf: t.tdf, no such file or directory.\n"},
        {"a.tsf", 12, "tallyrpt - error: a.tsf:12: t.tdf, no such file or directory.\n"},
        {"a.tsf", -3, "tallyrpt - error: a.tsf:-3: t.tdf, no such file or directory.\n"},
        {LOCATION_COMMAND_LINE, 7, "tallyrpt - error: command line: t.tdf, no such file or directory.\n"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(printed([&] { report_error1(ERR_NO_FILE, c.file, c.line, "t.tdf"); }), c.expected);
    }
}

TEST(DiagnosticLine, SeverityWordsOfEveryRow)
{
    EXPECT_EQ(printed([] { report_error0(ERR_NO_MEMORY, nullptr, 0); }),
              "tallyrpt - fatal: out of memory\n");
    EXPECT_EQ(printed([] { report_error0(ERR_UNEXPECTED, nullptr, 0); }),
              "tallyrpt - fatal: (unexpected error)\n");
    EXPECT_EQ(printed([] { report_error1(ERR_WRITE_FAILED, nullptr, 0, "r.xrd"); }),
              "tallyrpt - error: r.xrd, write failed.\n");
}

TEST(DiagnosticLine, ArgumentsFillPlaceholders)
{
    // An absent argument uses up no placeholder; an empty one fills it with nothing.
    EXPECT_EQ(printed([] { print_diagnostic(ERR_NO_FILE, nullptr, 0, QString(), QStringLiteral("b")); }),
              "tallyrpt - error: b, no such file or directory.\n");
    EXPECT_EQ(printed([] { print_diagnostic(ERR_NO_FILE, nullptr, 0, QStringLiteral("")); }),
              "tallyrpt - error: , no such file or directory.\n");
    EXPECT_EQ(printed([] { report_error0(ERR_NO_FILE, nullptr, 0); }),
              "tallyrpt - error: %1, no such file or directory.\n");
    // Surplus arguments are dropped without a word.
    EXPECT_EQ(printed([] { report_error3(ERR_INTERNAL, nullptr, 0, "x", "y", "z"); }),
              "tallyrpt - fatal: internal error: x\n");
    // Percent signs in a file name and in an argument come out as they are.
    EXPECT_EQ(printed([] { report_error1(ERR_PERMISSION, "50%.tsf", 0, "100%"); }),
              "tallyrpt - error: 50%.tsf: 100%, permission denied;\n");
}

TEST(DiagnosticLine, NonAsciiNamesPassThroughUnchanged)
{
    EXPECT_EQ(printed([] { report_error1(ERR_NO_FILE, nullptr, 0, "r\xC3\xA9sultat.tdf"); }),
              "tallyrpt - error: r\xC3\xA9sultat.tdf, no such file or directory.\n");
}

TEST(PlaceholderFilling, LowestNumberFirstEveryOccurrence)
{
    for (const TableRow &row : read_table("diagnostics/placeholders.table"))
        EXPECT_EQ(fill_lowest_placeholder(QString::fromStdString(row[0]), QString::fromStdString(row[1])).toStdString(),
                  row[2]) << "line " << row.line;
}

TEST(DiagnosticLine, TranslatedThroughCatalogue)
{
    ScopedCatalogue catalogue("tallygen_fr");
    ASSERT_TRUE(catalogue.loaded());
    EXPECT_EQ(printed([] { report_error1(ERR_NO_FILE, LOCATION_COMMAND_LINE, 0, "t.tdf"); }),
              "tallyrpt - erreur : ligne de commande : t.tdf, no such file or directory.\n");
    // Texts the catalogue does not hold stay in their source form.
    EXPECT_EQ(printed([] { report_error1(ERR_BAD_FORMAT, nullptr, 0, "t.tdf"); }),
              "tallyrpt - erreur : t.tdf, file format not recognized.\n");
    EXPECT_EQ(printed([] { report_error0(ERR_NO_MEMORY, nullptr, 0); }),
              "tallyrpt - fatale : m\xC3\xA9moire \xC3\xA9puis\xC3\xA9" "e\n");
}

TEST(FileExists, AnyEntryCounts)
{
    const std::string file = write_temp_file("x");
    const std::string directory = make_temp_dir();
    EXPECT_TRUE(file_exists(file.c_str()));
    EXPECT_TRUE(file_exists(directory.c_str()));
    EXPECT_TRUE(file_exists("/dev/null"));
    EXPECT_FALSE(file_exists(""));
    EXPECT_FALSE(file_exists(nullptr));
    EXPECT_FALSE(file_exists((directory + "/missing").c_str()));
}

TEST(MemAlloc, ZeroBytesNeverReports)
{
    const std::string output = printed([] {
        void *block = mem_alloc(0);
        mem_free(block);
    });
    EXPECT_EQ(output, "");
}

TEST(MemAlloc, CopiesTexts)
{
    char *copy = mem_strdup("abc");
    EXPECT_STREQ(copy, "abc");
    mem_free(copy);
    copy = mem_strndup("abcdef", 2);
    EXPECT_STREQ(copy, "ab");
    mem_free(copy);
    EXPECT_EQ(mem_strdup(nullptr), nullptr);
}

TEST(MemAllocDeathTest, ExhaustionEndsTheRunWithTheFatalLine)
{
    install_out_of_memory_handler();
    EXPECT_EXIT({ mem_alloc(static_cast<size_t>(-1) / 2); }, testing::ExitedWithCode(1),
                "^tallyrpt - fatal: out of memory\n$");
    EXPECT_EXIT(
        {
            [[maybe_unused]] static char *volatile kept;
            kept = new char[static_cast<size_t>(-1) / 4];
        },
        testing::ExitedWithCode(1),
                "^tallyrpt - fatal: out of memory\n$");
}

}  // namespace
