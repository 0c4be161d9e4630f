// The command-line grammar: which lines are accepted and what they name.
#include "diagnostics/memory.h"
#include "driver/command_line.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Parsed {
    int result;
    std::string results;  // "<unset>" when not set
    std::string dynamic;
    std::vector<std::string> statics;
};

Parsed parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "tallyrpt");
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const char *results = nullptr;
    const char *dynamic = nullptr;
    const char **statics = nullptr;
    int count = -1;
    Parsed parsed;
    parsed.result = parse_command_line(static_cast<int>(words.size()), argv.data(), &results,
                                       &statics, &dynamic, &count);
    parsed.results = results ? results : "<unset>";
    parsed.dynamic = dynamic ? dynamic : "<unset>";
    for (int i = 0; i < count; ++i)
        parsed.statics.push_back(statics[i]);
    mem_free(statics);
    return parsed;
}

using Words = std::vector<std::string>;

TEST(CommandLine, AcceptedAndRejectedLines)
{
    for (const TableRow &row : read_table("driver/command_lines.table")) {
        const bool accepted = row[0] == "accept";
        const Words words(row.fields.begin() + (accepted ? 4 : 1), row.fields.end());
        const Parsed parsed = parse(words);
        SCOPED_TRACE("line " + std::to_string(row.line));
        if (!accepted) {
            EXPECT_NE(parsed.result, 0);
            continue;
        }
        Words statics;
        for (size_t start = 0; start < row[3].size();) {
            const size_t end = std::min(row[3].find(';', start), row[3].size());
            statics.push_back(row[3].substr(start, end - start));
            start = end + 1;
        }
        EXPECT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.results, row[1]);
        EXPECT_EQ(parsed.dynamic, row[2]);
        EXPECT_EQ(parsed.statics, statics);
    }
}

TEST(CommandLine, ListStillSetWhenRejected)
{
    const Parsed parsed = parse({"-tsf", "a", "b"});
    EXPECT_NE(parsed.result, 0);
    EXPECT_EQ(parsed.statics, (Words{"a", "b"}));
}

TEST(Usage, TextAfterProgramPath)
{
    const std::string text = capture_stream(stderr, [] { print_usage("./bin/tallyrpt"); });
    EXPECT_EQ(text,
              "\nUsage: ./bin/tallyrpt -tsf <tsfFile> -tdf <tdfFile> -xrd <xrdFile>\n"
              "         <tsfFile>     Trace static filename\n"
              "         <tdfFile>     Trace dynamic filename\n"
              "         <xrdFile>     Results filename\n\n");
}

TEST(Usage, Translated)
{
    ScopedCatalogue catalogue("tallygen_fr");
    ASSERT_TRUE(catalogue.loaded());
    const std::string text = capture_stream(stderr, [] { print_usage("p"); });
    EXPECT_EQ(text.substr(0, 16), "\nUtilisation : p");
}

}  // namespace
