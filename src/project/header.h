// The optional studio header file named by ZEPH_STUDIO_HEADER_FILE: project,
// project file, configuration, workspace and test node names for the report.
#pragma once

#include <cstddef>

// Bytes of the header file read at most (1 MiB); the rest is ignored.
const size_t HEADER_READ_LIMIT = size_t(1) << 20;

// 1 when the file was opened and read, 0 otherwise (all values none).
int open_project_header();
// Stored values (local 8-bit), or null; valid until release_project_info.
const char *project_name();
const char *project_file();
const char *test_node_name();
const char *workspace_name();
const char *configuration_name();
void release_project_info();

// Line-level helpers, exposed for tests. Results are new copies (mem_free).
char *key_value(const char *line, const char *key);
void trim_value(char *value);
char *project_file_path(const char *name, const char *path_value);
void collapse_separators(char *text);
