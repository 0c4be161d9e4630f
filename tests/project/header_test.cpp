// The studio header file: value trimming, path composition, and whole files
// read through ZEPH_STUDIO_HEADER_FILE (first line per key wins, tabs and
// carriage returns cut lines, long lines come in pieces, reading stops once
// all five keys were seen).
#include "diagnostics/memory.h"
#include "project/header.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <limits.h>
#include <optional>
#include <unistd.h>

namespace {

std::optional<std::string> owned(char *text)
{
    if (!text)
        return std::nullopt;
    std::string copy = text;
    mem_free(text);
    return copy;
}

std::optional<std::string> view(const char *text)
{
    return text ? std::optional<std::string>(text) : std::nullopt;
}

const std::nullopt_t NONE = std::nullopt;

TEST(StudioHeader, KeyValues)
{
    struct Case {
        const char *line;
        const char *key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"$NAME='Unit 1';", "$NAME", std::string("Unit 1")},
        {"$NAME = 'Unit 1' ;", "$NAME", std::string("'Unit 1'")},
        {"$NAME = 'x';", "$NAME", std::string("'x")},
        {"$NAME='x ;", "$NAME", std::string("x")},
        {"$NAME=", "$NAME", NONE},
        {"$NAME", "$NAME", NONE},
        {"$NAME=;", "$NAME", std::string("")},
        {"$NAME='", "$NAME", std::string("")},
        {"$NAME=''", "$NAME", std::string("")},
        {"$NAMES=x", "$NAME", std::string("x")},
        {"# old: $NAME=y", "$NAME", std::string("y")},
        {"$NAME=a=b", "$NAME", std::string("a=b")},
        {"x=1 $NAME", "$NAME", std::string("1 $NAME")},
        {"$NAME=a\tb", "$NAME", std::string("a")},
        {"$NAME=a\nb", "$NAME", std::string("a")},
        {"$NAME=  spaced  out  ", "$NAME", std::string("spaced  out")},
        {"$NAME='  a  '", "$NAME", std::string("a")},
        {"$NAME='a';'b'", "$NAME", std::string("a")},
        {"$name=x", "$NAME", NONE},
        {"$CONFIGURATION=Debug", "$NAME", NONE},
    };
    for (const Case &c : cases)
        EXPECT_EQ(owned(key_value(c.line, c.key)), c.value) << c.line;
    EXPECT_EQ(owned(key_value(nullptr, "$NAME")), NONE);
    EXPECT_EQ(owned(key_value("$NAME=x", nullptr)), NONE);
}

TEST(StudioHeader, ProjectFilePaths)
{
    struct Case {
        const char *name;
        const char *path;
        std::optional<std::string> file;
    };
    const Case cases[] = {
        {"P", "D:\\work\\", std::string("D:\\work\\P.vxp")},
        {"P", "D:\\work", std::string("D:\\work\\P.vxp")},
        {"P", "\\\\server\\share", std::string("\\server\\share\\P.vxp")},
        {"P", "/home//me/", std::string("/home/me/P.vxp")},
        {"P", "a/\\/b", std::string("a/b\\P.vxp")},
        {"P", "", std::string("\\P.vxp")},
        {"", "d", std::string("d\\.vxp")},
        {nullptr, "d", NONE},
        {"P", nullptr, NONE},
    };
    for (const Case &c : cases)
        EXPECT_EQ(owned(project_file_path(c.name, c.path)), c.file)
            << (c.name ? c.name : "(none)") << " " << (c.path ? c.path : "(none)");
}

// Sets ZEPH_STUDIO_HEADER_FILE to a file with these contents for the scope.
class HeaderFile {
public:
    explicit HeaderFile(const std::string &contents)
        : path_(write_temp_file(contents, ".hdr"))
    {
        setenv("ZEPH_STUDIO_HEADER_FILE", path_.c_str(), 1);
    }
    ~HeaderFile()
    {
        unsetenv("ZEPH_STUDIO_HEADER_FILE");
        unlink(path_.c_str());
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

struct Values {
    std::optional<std::string> project, file, node, configuration, workspace;
    bool operator==(const Values &other) const
    {
        return project == other.project && file == other.file && node == other.node
               && configuration == other.configuration && workspace == other.workspace;
    }
};

std::ostream &operator<<(std::ostream &out, const Values &v)
{
    const auto show = [&](const std::optional<std::string> &s) { out << (s ? "[" + *s + "] " : "(none) "); };
    show(v.project), show(v.file), show(v.node), show(v.configuration), show(v.workspace);
    return out;
}

Values read_values(const std::string &contents)
{
    HeaderFile file(contents);
    EXPECT_EQ(open_project_header(), 1);
    Values values{view(project_name()), view(project_file()), view(test_node_name()),
                  view(configuration_name()), view(workspace_name())};
    release_project_info();
    return values;
}

const std::string FULL_HEADER =
    "$PROJECT_NAME=Calc\n"
    "$PROJECT_PATH='D:\\work\\';\n"
    "$NAME='Unit 1';\n"
    "$CONFIGURATION=Debug\n"
    "$WORKSPACE_NAME=Main ws\n";

const char WITH_NUL[] = "$NAME=ab\0cd\n$CONFIGURATION=c\n";

TEST(StudioHeader, ReadsWholeFiles)
{
    const Values full{std::string("Calc"), std::string("D:\\work\\Calc.vxp"), std::string("Unit 1"),
                      std::string("Debug"), std::string("Main ws")};
    struct Case {
        const char *what;
        std::string contents;
        Values expected;
    };
    const Case cases[] = {
        {"plain lines", FULL_HEADER, full},
        {"CRLF lines",
         "$PROJECT_NAME=Calc\r\n$PROJECT_PATH='D:\\work\\';\r\n$NAME='Unit 1';\r\n"
         "$CONFIGURATION=Debug\r\n$WORKSPACE_NAME=Main ws\r\n",
         full},
        {"no final newline, other lines between",
         "# studio header\n\n$WORKSPACE_NAME=Main ws\nnoise=1\n$CONFIGURATION=Debug\n$NAME='Unit 1';\n"
         "$PROJECT_NAME=Calc\n$PROJECT_PATH='D:\\work\\';",
         full},
        {"path before the name",
         "$PROJECT_PATH=D:\\work\n$PROJECT_NAME=Calc\n$PROJECT_PATH=E:\\other\n",
         {std::string("Calc"), NONE, NONE, NONE, NONE}},
        {"first line of a key wins, even without a value",
         "$NAME=\n$NAME=x\n$CONFIGURATION=Debug\n$CONFIGURATION=Release\n",
         {NONE, NONE, NONE, std::string("Debug"), NONE}},
        {"a first-character tab empties the line",
         "\t$NAME=hidden\n$NAME=shown\n",
         {NONE, NONE, std::string("shown"), NONE, NONE}},
        {"the last tab cuts the line",
         "$WORKSPACE_NAME=ws\tcomment\n$NAME=a\tb\tc\n",
         {NONE, NONE, std::string("a"), NONE, std::string("ws")}},
        {"the last carriage return cuts the line",
         "$NAME=a\rb\n",
         {NONE, NONE, std::string("a"), NONE, NONE}},
        {"one line, two keys: only the first in key order",
         "$CONFIGURATION=c $NAME=n\n$CONFIGURATION=Release\n",
         {NONE, NONE, std::string("c $NAME=n"), std::string("Release"), NONE}},
        {"a key merely contained",
         "$NAMES=x\n",
         {NONE, NONE, std::string("x"), NONE, NONE}},
        {"a NUL byte ends the line's text",
         std::string(WITH_NUL, sizeof WITH_NUL - 1),
         {NONE, NONE, std::string("ab"), std::string("c"), NONE}},
        {"empty file", "", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(read_values(c.contents), c.expected) << c.what;
}

TEST(StudioHeader, LongLinesComeInPiecesOf2046)
{
    // The first piece holds the key and 2040 characters of its value.
    const std::string long_value(3000, 'v');
    const Values first = read_values("$NAME=" + long_value + "\n");
    ASSERT_TRUE(first.node);
    EXPECT_EQ(*first.node, std::string(2040, 'v'));

    // A key that starts in the second piece counts as a line of its own.
    const Values second = read_values(std::string(2046, 'x') + "$CONFIGURATION=Debug\n");
    EXPECT_EQ(second.configuration, std::optional<std::string>("Debug"));

    // A key split across the two pieces is found in neither.
    const Values split = read_values(std::string(2043, 'x') + "$CONFIGURATION=Debug\n");
    EXPECT_EQ(split.configuration, NONE);
}

// The offset of the open descriptor of path, from /proc.
long long open_offset(const std::string &path)
{
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return -1;
    DIR *directory = opendir("/proc/self/fd");
    long long offset = -1;
    while (dirent *entry = readdir(directory)) {
        char target[PATH_MAX] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) <= 0 || resolved != std::string(target))
            continue;
        std::ifstream info(std::string("/proc/self/fdinfo/") + entry->d_name);
        std::string word;
        while (info >> word)
            if (word == "pos:")
                info >> offset;
    }
    closedir(directory);
    return offset;
}

TEST(StudioHeader, StopsReadingAfterTheFifthKey)
{
    std::string contents = FULL_HEADER;
    for (int i = 0; i < 20000; ++i)
        contents += "filler line that no key is in\n";
    HeaderFile file(contents);
    ASSERT_EQ(open_project_header(), 1);
    // Only the first buffered block was read, not the whole file.
    const long long offset = open_offset(file.path());
    EXPECT_GE(offset, 0);
    EXPECT_LT(offset, 65536);
    release_project_info();
    EXPECT_EQ(open_offset(file.path()), -1) << "the release closes the file";
}

TEST(StudioHeader, MissingFileOrVariable)
{
    unsetenv("ZEPH_STUDIO_HEADER_FILE");
    EXPECT_EQ(open_project_header(), 0);
    setenv("ZEPH_STUDIO_HEADER_FILE", "/nonexistent/dir/header.txt", 1);
    EXPECT_EQ(open_project_header(), 0);
    EXPECT_EQ(project_name(), nullptr);
    EXPECT_EQ(project_file(), nullptr);
    EXPECT_EQ(test_node_name(), nullptr);
    EXPECT_EQ(configuration_name(), nullptr);
    EXPECT_EQ(workspace_name(), nullptr);
    unsetenv("ZEPH_STUDIO_HEADER_FILE");
}

}  // namespace
