// The studio header file: a few text lines naming the project, its path, the
// test node, the configuration and the workspace. A line belongs to a key
// when the key text occurs anywhere in it; its value is what follows the
// first "=", trimmed of a ";" comment, one pair of quotes and spaces. The
// first line of each key decides it, and reading stops once all five keys
// were seen. Values stay in the local 8-bit encoding as the file holds them.
#include "project/header.h"

#include "diagnostics/memory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct ProjectInfo {
    FILE *file;
    char *project_name;
    char *project_file;
    char *test_node_name;
    char *workspace_name;
    char *configuration_name;
};

ProjectInfo project_info = {};

// Reused for every line; a read takes at most LINE_READ_COUNT - 1 characters.
const int LINE_BUFFER_SIZE = 2048;
const int LINE_READ_COUNT = 2047;
char line_buffer[LINE_BUFFER_SIZE];

const char *const KEY_PROJECT_NAME = "$PROJECT_NAME";
const char *const KEY_PROJECT_PATH = "$PROJECT_PATH";
const char *const KEY_NAME = "$NAME";
const char *const KEY_CONFIGURATION = "$CONFIGURATION";
const char *const KEY_WORKSPACE_NAME = "$WORKSPACE_NAME";

// In the order in which a line is tested: the first key found is the line's.
const char *const keys[] = {KEY_PROJECT_NAME, KEY_PROJECT_PATH, KEY_NAME, KEY_CONFIGURATION,
                            KEY_WORKSPACE_NAME};
const int key_count = 5;

void cut_at_last(char *text, char c)
{
    if (char *found = strrchr(text, c))
        *found = '\0';
}

void cut_at_first(char *text, char c)
{
    if (char *found = strchr(text, c))
        *found = '\0';
}

// One line (or one piece of a long line) into line_buffer; false at the end
// of the file. A NUL byte read from the file ends the text there.
bool read_header_line(FILE *file)
{
    if (!fgets(line_buffer, LINE_READ_COUNT, file))
        return false;
    cut_at_last(line_buffer, '\n');
    cut_at_last(line_buffer, '\t');
    cut_at_last(line_buffer, '\r');
    return true;
}

bool line_has_key(const char *line, const char *key)
{
    return line && key && strstr(line, key);
}

void reset_project_info()
{
    project_info = ProjectInfo();
}

void scan_project_header()
{
    bool seen[key_count] = {};
    int seen_count = 0;
    while (seen_count < key_count && read_header_line(project_info.file)) {
        int key = 0;
        while (key < key_count && !line_has_key(line_buffer, keys[key]))
            ++key;
        if (key == key_count || seen[key])
            continue;
        seen[key] = true;
        ++seen_count;
        char *value = key_value(line_buffer, keys[key]);
        switch (key) {
        case 0:
            project_info.project_name = value;
            break;
        case 1:
            // Composed from the name known now: a path line before the name
            // line leaves the project file unset for good.
            project_info.project_file = project_file_path(project_info.project_name, value);
            mem_free(value);
            break;
        case 2:
            project_info.test_node_name = value;
            break;
        case 3:
            project_info.configuration_name = value;
            break;
        default:
            project_info.workspace_name = value;
            break;
        }
    }
}

}  // namespace

char *key_value(const char *line, const char *key)
{
    if (!line_has_key(line, key))
        return nullptr;
    const char *equals = strchr(line, '=');
    if (!equals || equals[1] == '\0')
        return nullptr;
    char *copy = mem_strdup(equals + 1);
    cut_at_first(copy, '\n');
    cut_at_first(copy, '\t');
    trim_value(copy);
    char *value = mem_strdup(copy);
    mem_free(copy);
    return value;
}

void trim_value(char *value)
{
    if (!value)
        return;
    cut_at_first(value, ';');
    size_t length = strlen(value);
    if (length > 0 && value[0] == '\'') {
        memmove(value, value + 1, length);  // the NUL moves too
        --length;
    }
    if (length > 0 && value[length - 1] == '\'')
        value[--length] = '\0';
    size_t start = 0;
    while (start < length && value[start] == ' ')
        ++start;
    while (length > start && value[length - 1] == ' ')
        --length;
    memmove(value, value + start, length - start);
    value[length - start] = '\0';
}

char *project_file_path(const char *name, const char *path_value)
{
    if (!name || !path_value)
        return nullptr;
    const size_t path_length = strlen(path_value);
    const size_t name_length = strlen(name);
    char *joined = static_cast<char *>(mem_alloc(path_length + 1 + name_length + 4 + 1));
    memcpy(joined, path_value, path_length);
    joined[path_length] = '\\';
    memcpy(joined + path_length + 1, name, name_length);
    memcpy(joined + path_length + 1 + name_length, ".vxp", 5);
    collapse_separators(joined);
    return joined;
}

void collapse_separators(char *text)
{
    if (!text)
        return;
    char *to = text;
    bool in_run = false;
    for (const char *from = text; *from; ++from) {
        const bool separator = *from == '/' || *from == '\\';
        if (!(separator && in_run))
            *to++ = *from;
        in_run = separator;
    }
    *to = '\0';
}

namespace {

// The header is read through a stream that ends after its first
// HEADER_READ_LIMIT bytes, far beyond any real header: a file that never
// ends (/dev/zero) must not hold the run. Reading stays lazy, so a header
// on a FIFO is read only as far as its keys go.
struct BoundedHeader {
    int descriptor;
    size_t left;
};

ssize_t read_bounded(void *cookie, char *bytes, size_t size)
{
    BoundedHeader *header = static_cast<BoundedHeader *>(cookie);
    if (size > header->left)
        size = header->left;
    if (size == 0)
        return 0;
    ssize_t count;
    do
        count = read(header->descriptor, bytes, size);
    while (count < 0 && errno == EINTR);
    if (count > 0)
        header->left -= static_cast<size_t>(count);
    return count;
}

int close_bounded(void *cookie)
{
    BoundedHeader *header = static_cast<BoundedHeader *>(cookie);
    close(header->descriptor);
    mem_free(header);
    return 0;
}

FILE *open_bounded(const char *path)
{
    int descriptor;
    do
        descriptor = open(path, O_RDONLY | O_CLOEXEC);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        return nullptr;
    BoundedHeader *header = static_cast<BoundedHeader *>(mem_alloc(sizeof(BoundedHeader)));
    *header = {descriptor, HEADER_READ_LIMIT};
    cookie_io_functions_t functions = {read_bounded, nullptr, nullptr, close_bounded};
    FILE *file = fopencookie(header, "rb", functions);
    if (!file)
        close_bounded(header);
    return file;
}

}  // namespace

int open_project_header()
{
    reset_project_info();
    const char *path = getenv("ZEPH_STUDIO_HEADER_FILE");
    if (!path)
        return 0;
    project_info.file = open_bounded(path);
    if (!project_info.file)
        return 0;
    scan_project_header();
    return 1;
}

const char *project_name() { return project_info.project_name; }
const char *project_file() { return project_info.project_file; }
const char *test_node_name() { return project_info.test_node_name; }
const char *workspace_name() { return project_info.workspace_name; }
const char *configuration_name() { return project_info.configuration_name; }

void release_project_info()
{
    if (project_info.file)
        fclose(project_info.file);
    mem_free(project_info.project_name);
    mem_free(project_info.project_file);
    mem_free(project_info.test_node_name);
    mem_free(project_info.workspace_name);
    mem_free(project_info.configuration_name);
    reset_project_info();
}
