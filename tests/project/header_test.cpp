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
    for (const TableRow &row : read_table("project/key_values.table"))
        EXPECT_EQ(owned(key_value(row.c_str(0), "$NAME")), row[1]) << "line " << row.line;
    EXPECT_EQ(owned(key_value("$NAME=x", nullptr)), "-");
}

TEST(StudioHeader, ProjectFilePaths)
{
    for (const TableRow &row : read_table("project/project_paths.table"))
        EXPECT_EQ(owned(project_file_path(row.c_str(0), row.c_str(1))), row[2]) << "line " << row.line;
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

TEST(StudioHeader, ReadsWholeFiles)
{
    for (const TableRow &row : read_table("project/header_files.table"))
        EXPECT_EQ(read_values(row[0]), row[1]) << "line " << row.line;
    // The first piece of a long line holds the key and 2040 characters.
    EXPECT_EQ(read_values("$NAME=" + std::string(3000, 'v') + "\n"), "- - [" + std::string(2040, 'v') + "] - -");
    EXPECT_EQ(read_values(std::string(2046, 'x') + "$CONFIGURATION=Debug\n"), "- - - [Debug] -")
        << "a key that starts in the second piece";
    EXPECT_EQ(read_values(std::string(2043, 'x') + "$CONFIGURATION=Debug\n"), "- - - - -")
        << "a key split across two pieces";
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
