// The command-line grammar: -tsf <names...>, -tdf <name>, -xrd <name>.
#pragma once

#include <cstdio>

// Returns 0 when exactly three options were counted and both -tdf and -xrd
// received a value; otherwise non-zero. Always sets the static name list
// (allocated once with mem_alloc) and its count; sets the results and dynamic
// names only when their options are met. Names point into argv.
int parse_command_line(int argc, char **argv, const char **results_name,
                       const char ***static_names, const char **dynamic_name,
                       int *static_count);

// Writes the translated usage text, with the program path, to the stream
// (standard error after a bad command line, standard output for --help).
void print_usage(const char *program, FILE *stream = stderr);
