// Fuzz harness of the studio header reader: any bytes as the file named by
// ZEPH_STUDIO_HEADER_FILE (a memory file, reopened by path for each input,
// so the real open and line reading run). Checks what a value can hold once
// trimmed: no newline, tab or ";", no space at either end, and a project
// file that ends in ".vxp" with no doubled separator.
#include "fuzz_support.h"

#include "project/header.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

MemoryFile header_file;

void check_value(const char *value, const char *name)
{
    if (!value)
        return;
    const size_t length = strlen(value);
    FUZZ_CHECK(!strpbrk(value, "\n\t;"), std::string(name) + " holds a cut character");
    FUZZ_CHECK(length == 0 || (value[0] != ' ' && value[length - 1] != ' '),
               std::string(name) + " keeps a space at an end");
    FUZZ_CHECK(length < 2048, std::string(name) + " longer than a line");
}

void check_project_file(const char *value)
{
    if (!value)
        return;
    const size_t length = strlen(value);
    FUZZ_CHECK(length >= 4 && strcmp(value + length - 4, ".vxp") == 0, "project file without .vxp");
    for (size_t i = 1; i < length; ++i) {
        const bool here = value[i] == '/' || value[i] == '\\';
        const bool before = value[i - 1] == '/' || value[i - 1] == '\\';
        FUZZ_CHECK(!(here && before), "doubled separator in the project file");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz_start_application();
    header_file = memory_file_create("studio-header");
    setenv("ZEPH_STUDIO_HEADER_FILE", header_file.path.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    memory_file_write(header_file, data, size);
    FUZZ_CHECK(open_project_header() == 1, "the header file did not open");
    check_value(project_name(), "project name");
    check_value(test_node_name(), "test node name");
    check_value(workspace_name(), "workspace name");
    check_value(configuration_name(), "configuration name");
    check_project_file(project_file());
    release_project_info();
    FUZZ_CHECK(!project_name() && !project_file() && !test_node_name() && !workspace_name()
                   && !configuration_name(),
               "values left after the release");
    return 0;
}
