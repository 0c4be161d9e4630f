// The command-line grammar: which lines are accepted and what they name.
#include "diagnostics/memory.h"
#include "driver/command_line.h"
#include "support/test_support.h"

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

TEST(CommandLine, AcceptedLines)
{
    struct Case {
        Words words;
        std::string results;
        std::string dynamic;
        Words statics;
    };
    const Case cases[] = {
        {{"-tsf", "a", "b", "-tdf", "t", "-xrd", "r"}, "r", "t", {"a", "b"}},
        // Option order does not matter; the list may end the line.
        {{"-xrd", "r", "-tdf", "t", "-tsf", "a", "b"}, "r", "t", {"a", "b"}},
        // Words that are neither options nor values are ignored.
        {{"x", "-tsf", "a", "-tdf", "t", "-xrd", "r"}, "r", "t", {"a"}},
        // A further -tsf inside a list is a file name.
        {{"-tsf", "a", "-tsf", "b", "-tdf", "t", "-xrd", "r"}, "r", "t", {"a", "-tsf", "b"}},
        // A repeated option that still counts three: the later value wins.
        {{"-tdf", "t", "-tdf", "u", "-xrd", "r"}, "r", "u", {}},
        // An empty static list.
        {{"-tsf", "-tdf", "t", "-xrd", "r"}, "r", "t", {}},
        // The value of -xrd is itself tested for -tdf in the same step.
        {{"-tsf", "a", "-xrd", "-tdf", "t"}, "-tdf", "t", {"a"}},
        // A later -tsf list replaces the earlier one.
        {{"-tsf", "a", "-tdf", "t", "-xrd", "r"}, "r", "t", {"a"}},
        // Option words are matched exactly and case-sensitively.
        {{"-TSF", "-tsf", "-Tdf", "-tdf", "t", "-xrd", "r"}, "r", "t", {"-Tdf"}},
        // Names with spaces and non-ASCII characters are taken whole.
        {{"-tsf", "my trace.tsf", "-tdf", "d\xC3\xA9.tdf", "-xrd", "r r"}, "r r", "d\xC3\xA9.tdf", {"my trace.tsf"}},
    };
    for (const Case &c : cases) {
        const Parsed parsed = parse(c.words);
        SCOPED_TRACE(testing::PrintToString(c.words));
        EXPECT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.results, c.results);
        EXPECT_EQ(parsed.dynamic, c.dynamic);
        EXPECT_EQ(parsed.statics, c.statics);
    }
}

TEST(CommandLine, RejectedLines)
{
    const Words cases[] = {
        {},
        {"-tsf", "a"},
        {"-tdf", "t", "-xrd", "r"},
        // Four options.
        {"-tsf", "a", "-xrd", "r", "-xrd", "s", "-tdf", "t"},
        // An option without its value at the end of the line.
        {"-tsf", "a", "-tdf", "t", "-xrd"},
        {"-tsf", "a", "-xrd", "r", "-tdf"},
        {"-xrd", "r", "-tsf", "a", "-tdf"},
        // Three options, but no -xrd or no -tdf among them.
        {"-tdf", "t", "-tdf", "u", "-tsf", "a"},
        {"-xrd", "r", "-xrd", "s", "-tsf", "a"},
        {"-tsf", "a", "-xrd", "-tdf"},
    };
    for (const Words &words : cases)
        EXPECT_NE(parse(words).result, 0) << testing::PrintToString(words);
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
