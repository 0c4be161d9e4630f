#include "driver/command_line.h"

#include "diagnostics/memory.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

static bool is_word(const char *word, const char *option)
{
    return strcmp(word, option) == 0;
}

int parse_command_line(int argc, char **argv, const char **results_name,
                       const char ***static_names, const char **dynamic_name,
                       int *static_count)
{
    // The list can never hold more names than there are words.
    const char **names = static_cast<const char **>(mem_alloc(sizeof(char *) * (argc > 0 ? argc : 1)));
    int name_count = 0;
    int options = 0;
    bool value_missing = false;
    bool have_results = false;
    bool have_dynamic = false;

    for (int current = 0; current < argc; ++current) {
        if (is_word(argv[current], "-tsf")) {
            ++options;
            name_count = 0;  // a later list replaces an earlier one
            int next = current + 1;
            while (next < argc && !is_word(argv[next], "-xrd") && !is_word(argv[next], "-tdf"))
                names[name_count++] = argv[next++];
            if (next >= argc)
                break;
            current = next;
        }
        if (is_word(argv[current], "-xrd")) {
            ++options;
            if (current + 1 < argc) {
                *results_name = argv[++current];
                have_results = true;
            } else {
                value_missing = true;
                break;
            }
        }
        if (is_word(argv[current], "-tdf")) {
            ++options;
            if (current + 1 < argc) {
                *dynamic_name = argv[++current];
                have_dynamic = true;
            } else {
                value_missing = true;
                break;
            }
        }
    }

    *static_names = names;
    *static_count = name_count;

    // An option without its value, or three options without -xrd or -tdf
    // among them, leaves a name unset: such a line is not accepted.
    if (value_missing || (options == 3 && (!have_results || !have_dynamic)))
        return 1;
    return options - 3;
}

void print_usage(const char *program, FILE *stream)
{
    const QByteArray head = QCoreApplication::translate("TALLYGEN", "\nUsage: ").toLocal8Bit();
    const QByteArray block = QCoreApplication::translate(
        "TALLYGEN",
        " -tsf <tsfFile> -tdf <tdfFile> -xrd <xrdFile>\n"
        "         <tsfFile>     Trace static filename\n"
        "         <tdfFile>     Trace dynamic filename\n"
        "         <xrdFile>     Results filename\n\n").toLocal8Bit();
    fprintf(stream, "%s%s%s", head.constData(), program ? program : "", block.constData());
}
