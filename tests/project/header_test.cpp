// The studio header file: value trimming, path composition, and whole files
// read through ZEPH_STUDIO_HEADER_FILE (first line per key wins, tabs and
// carriage returns cut lines, long lines come in pieces, reading stops once
// all five keys were seen).
#include "diagnostics/memory.h"
#include "project/header.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <limits.h>
#include <unistd.h>

namespace {

// "[value]", or "-" for none.
std::string shown(const char *text)
{
    return text ? "[" + std::string(text) + "]" : "-";
}

std::string owned(char *text)
{
    const std::string value = shown(text);
    mem_free(text);
    return value;
}

TEST(StudioHeader, KeyValues)
{
    const std::pair<const char *, const char *> cases[] = {
        {"$NAME='Unit 1';", "[Unit 1]"},   {"$NAME = 'Unit 1' ;", "['Unit 1']"},
        {"$NAME = 'x';", "['x]"},          {"$NAME='x ;", "[x]"},
        {"$NAME=", "-"},                   {"$NAME", "-"},
        {"$NAME=;", "[]"},                 {"$NAME='", "[]"},
        {"$NAME=''", "[]"},                {"$NAMES=x", "[x]"},
        {"# old: $NAME=y", "[y]"},         {"$NAME=a=b", "[a=b]"},
        {"x=1 $NAME", "[1 $NAME]"},        {"$NAME=a\tb", "[a]"},
        {"$NAME=a\nb", "[a]"},             {"$NAME=  spaced  out  ", "[spaced  out]"},
        {"$NAME='  a  '", "[a]"},          {"$NAME='a';'b'", "[a]"},
        {"$name=x", "-"},                  {"$CONFIGURATION=Debug", "-"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(owned(key_value(c.first, "$NAME")), c.second) << c.first;
    EXPECT_EQ(owned(key_value(nullptr, "$NAME")), "-");
    EXPECT_EQ(owned(key_value("$NAME=x", nullptr)), "-");
}

TEST(StudioHeader, ProjectFilePaths)
{
    const struct {
        const char *name, *path, *file;
    } cases[] = {
        {"P", "D:\\work\\", "[D:\\work\\P.vxp]"},     {"P", "D:\\work", "[D:\\work\\P.vxp]"},
        {"P", "\\\\server\\share", "[\\server\\share\\P.vxp]"}, {"P", "/home//me/", "[/home/me/P.vxp]"},
        {"P", "a/\\/b", "[a/b\\P.vxp]"},              {"P", "", "[\\P.vxp]"},
        {"", "d", "[d\\.vxp]"},                       {nullptr, "d", "-"},
        {"P", nullptr, "-"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(owned(project_file_path(c.name, c.path)), c.file) << shown(c.name) << " " << shown(c.path);
}

// Points ZEPH_STUDIO_HEADER_FILE at a file with these contents for the scope.
struct HeaderFile {
    std::string path;
    explicit HeaderFile(const std::string &contents) : path(write_temp_file(contents, ".hdr"))
    {
        setenv("ZEPH_STUDIO_HEADER_FILE", path.c_str(), 1);
    }
    ~HeaderFile()
    {
        unsetenv("ZEPH_STUDIO_HEADER_FILE");
        unlink(path.c_str());
    }
};

// Project, project file, test node, configuration and workspace as read.
std::string read_values(const std::string &contents)
{
    HeaderFile file(contents);
    EXPECT_EQ(open_project_header(), 1);
    const std::string values = shown(project_name()) + " " + shown(project_file()) + " " + shown(test_node_name())
                               + " " + shown(configuration_name()) + " " + shown(workspace_name());
    release_project_info();
    return values;
}

const char FULL_HEADER[] = "$PROJECT_NAME=Calc\n$PROJECT_PATH='D:\\work\\';\n$NAME='Unit 1';\n"
                           "$CONFIGURATION=Debug\n$WORKSPACE_NAME=Main ws\n";
const char FULL_VALUES[] = "[Calc] [D:\\work\\Calc.vxp] [Unit 1] [Debug] [Main ws]";
const char WITH_NUL[] = "$NAME=ab\0cd\n$CONFIGURATION=c\n";

TEST(StudioHeader, ReadsWholeFiles)
{
    const struct {
        const char *what;
        std::string contents, values;
    } cases[] = {
        {"CRLF lines",
         "$PROJECT_NAME=Calc\r\n$PROJECT_PATH='D:\\work\\';\r\n$NAME='Unit 1';\r\n"
         "$CONFIGURATION=Debug\r\n$WORKSPACE_NAME=Main ws\r\n",
         FULL_VALUES},
        {"no final newline, other lines between",
         "# studio header\n\n$WORKSPACE_NAME=Main ws\nnoise=1\n$CONFIGURATION=Debug\n$NAME='Unit 1';\n"
         "$PROJECT_NAME=Calc\n$PROJECT_PATH='D:\\work\\';",
         FULL_VALUES},
        {"path before the name", "$PROJECT_PATH=D:\\work\n$PROJECT_NAME=Calc\n$PROJECT_PATH=E:\\other\n",
         "[Calc] - - - -"},
        {"first line of a key wins, even without a value",
         "$NAME=\n$NAME=x\n$CONFIGURATION=Debug\n$CONFIGURATION=Release\n", "- - - [Debug] -"},
        {"a first-character tab empties the line", "\t$NAME=hidden\n$NAME=shown\n", "- - [shown] - -"},
        {"the last tab cuts the line", "$WORKSPACE_NAME=ws\tcomment\n$NAME=a\tb\tc\n", "- - [a] - [ws]"},
        {"the last carriage return cuts the line", "$NAME=a\rb\n", "- - [a] - -"},
        {"one line, two keys: only the first in key order", "$CONFIGURATION=c $NAME=n\n$CONFIGURATION=Release\n",
         "- - [c $NAME=n] [Release] -"},
        {"a NUL byte ends the line's text", std::string(WITH_NUL, sizeof WITH_NUL - 1), "- - [ab] [c] -"},
        // The first piece of a long line holds the key and 2040 characters.
        {"a long value", "$NAME=" + std::string(3000, 'v') + "\n", "- - [" + std::string(2040, 'v') + "] - -"},
        {"a key that starts in the second piece", std::string(2046, 'x') + "$CONFIGURATION=Debug\n",
         "- - - [Debug] -"},
        {"a key split across two pieces", std::string(2043, 'x') + "$CONFIGURATION=Debug\n", "- - - - -"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read_values(c.contents), c.values) << c.what;
}

// The offset of this process's open descriptor on path, or -1 when none.
long long open_offset(const std::string &path)
{
    char resolved[PATH_MAX], target[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return -1;
    for (int descriptor = 0; descriptor < 1024; ++descriptor) {
        const ssize_t length = readlink(("/proc/self/fd/" + std::to_string(descriptor)).c_str(), target, sizeof target);
        if (length <= 0 || std::string(target, static_cast<size_t>(length)) != resolved)
            continue;
        std::ifstream info("/proc/self/fdinfo/" + std::to_string(descriptor));
        long long offset = -1;
        for (std::string word; info >> word;)
            if (word == "pos:")
                info >> offset;
        return offset;
    }
    return -1;
}

TEST(StudioHeader, StopsReadingAfterTheFifthKey)
{
    std::string contents = FULL_HEADER;
    for (int i = 0; i < 20000; ++i)
        contents += "filler line that no key is in\n";
    HeaderFile file(contents);
    ASSERT_EQ(open_project_header(), 1);
    // Only the first buffered block was read, not the whole file.
    const long long offset = open_offset(file.path);
    EXPECT_GE(offset, 0);
    EXPECT_LT(offset, 65536);
    release_project_info();
    EXPECT_EQ(open_offset(file.path), -1) << "the release closes the file";
}

TEST(StudioHeader, MissingFileOrVariable)
{
    unsetenv("ZEPH_STUDIO_HEADER_FILE");
    EXPECT_EQ(open_project_header(), 0);
    setenv("ZEPH_STUDIO_HEADER_FILE", "/nonexistent/dir/header.txt", 1);
    EXPECT_EQ(open_project_header(), 0);
    EXPECT_EQ(project_name(), nullptr);
    unsetenv("ZEPH_STUDIO_HEADER_FILE");
}

}  // namespace
