// tallyrpt-gentrace: writes a deterministic set of traces for benchmarks,
//   DIR/trace1.tsf ... DIR/traceK.tsf   static traces
//   DIR/run.tdf                         the dynamic trace
//   DIR/manifest.txt                    what was written (counts, bytes)
// The same size, seed and repeat count always give the same bytes. About 40%
// of the size goes to the static traces, the rest to the dynamic trace (times
// the repeat count).
#include "gen_dynamic.h"
#include "gen_model.h"
#include "gen_static.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct options {
    uint64_t size = 0;
    uint64_t seed = 1;
    uint32_t repeat = 1;
    uint32_t files = 0; // 0: chosen from the size
    std::string out;
};

void print_usage(FILE *stream)
{
    fputs("usage: tallyrpt-gentrace --size S|M|L|<bytes>[k|m|g] --out DIR [--seed N] [--repeat R] [--files K]\n"
          "  S is about 1 MB of traces, M about 30 MB, L about 300 MB.\n"
          "  --repeat R writes the executions of the dynamic trace R times over (default 1).\n"
          "  --files K  number of static trace files (default grows with the size).\n",
          stream);
}

bool parse_size(const char *text, uint64_t &size)
{
    if (strcmp(text, "S") == 0 || strcmp(text, "s") == 0) {
        size = 1000000;
        return true;
    }
    if (strcmp(text, "M") == 0 || strcmp(text, "m") == 0) {
        size = 30000000;
        return true;
    }
    if (strcmp(text, "L") == 0 || strcmp(text, "l") == 0) {
        size = 300000000;
        return true;
    }
    char *end = nullptr;
    const unsigned long long value = strtoull(text, &end, 10);
    if (end == text)
        return false;
    uint64_t scale = 1;
    if (*end == 'k' || *end == 'K')
        scale = 1000;
    else if (*end == 'm' || *end == 'M')
        scale = 1000000;
    else if (*end == 'g' || *end == 'G')
        scale = 1000000000;
    if (scale != 1)
        ++end;
    size = value * scale;
    return *end == '\0' && size >= 10000;
}

bool parse_number(const char *text, uint64_t &value)
{
    char *end = nullptr;
    value = strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

bool parse_options(int argc, char **argv, options &o)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            print_usage(stdout);
            exit(0);
        }
        if (i + 1 >= argc)
            return false;
        const char *value = argv[++i];
        uint64_t number = 0;
        if (strcmp(arg, "--size") == 0) {
            if (!parse_size(value, o.size))
                return false;
        } else if (strcmp(arg, "--seed") == 0) {
            if (!parse_number(value, o.seed))
                return false;
        } else if (strcmp(arg, "--repeat") == 0) {
            if (!parse_number(value, number) || number < 1 || number > 1000)
                return false;
            o.repeat = static_cast<uint32_t>(number);
        } else if (strcmp(arg, "--files") == 0) {
            if (!parse_number(value, number) || number < 1 || number > 1000)
                return false;
            o.files = static_cast<uint32_t>(number);
        } else if (strcmp(arg, "--out") == 0) {
            o.out = value;
        } else {
            return false;
        }
    }
    return o.size > 0 && !o.out.empty();
}

// Grows slowly with the size: 3 files for S, 9 for M, 20 for L.
uint32_t default_file_count(uint64_t size)
{
    const double k = std::round(std::cbrt(static_cast<double>(size) / 40000.0));
    return static_cast<uint32_t>(k < 2 ? 2 : k > 32 ? 32 : k);
}

// Static traces of an earlier, larger set in the same folder would otherwise
// be picked up by a glob.
void remove_stale_traces(const std::string &dir, uint32_t file_count)
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        unsigned number = 0;
        char tail[8] = {};
        if (sscanf(name.c_str(), "trace%u.%7s", &number, tail) == 2 && strcmp(tail, "tsf") == 0 &&
            number > file_count)
            std::filesystem::remove(entry.path(), error);
    }
}

bool write_manifest(const std::string &path, const options &o, const std::vector<std::string> &files,
                    const trace_model &model, const dynamic_counts &dynamic)
{
    FILE *f = fopen(path.c_str(), "w");
    if (!f)
        return false;
    const uint64_t static_nodes = model.scopes + model.statements; // file scopes are the Test Driver nodes
    fprintf(f, "target_bytes %llu\n", (unsigned long long)o.size);
    fprintf(f, "seed %llu\n", (unsigned long long)o.seed);
    fprintf(f, "repeat %u\n", o.repeat);
    fprintf(f, "static_files");
    for (const std::string &name : files)
        fprintf(f, " %s", name.c_str());
    fprintf(f, "\n");
    fprintf(f, "dynamic_file run.tdf\n");
    fprintf(f, "sections %zu\n", model.sections.size());
    fprintf(f, "scopes %llu\n", (unsigned long long)model.scopes);
    fprintf(f, "statements %llu\n", (unsigned long long)model.statements);
    fprintf(f, "static_nodes %llu\n", (unsigned long long)static_nodes);
    fprintf(f, "copy_nodes %llu\n", (unsigned long long)dynamic.copies);
    fprintf(f, "tree_nodes %llu\n", (unsigned long long)(static_nodes + dynamic.copies));
    fprintf(f, "static_records %llu\n", (unsigned long long)model.static_records);
    fprintf(f, "static_bytes %llu\n", (unsigned long long)model.static_bytes);
    fprintf(f, "dynamic_records %llu\n", (unsigned long long)dynamic.records);
    fprintf(f, "dynamic_bytes %llu\n", (unsigned long long)dynamic.bytes);
    fprintf(f, "case_runs_per_pass %llu\n", (unsigned long long)dynamic.case_runs);
    fprintf(f, "messages %llu\n", (unsigned long long)dynamic.messages);
    fprintf(f, "message_bytes %llu\n", (unsigned long long)dynamic.message_bytes);
    return fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    options o;
    if (!parse_options(argc, argv, o)) {
        print_usage(stderr);
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    std::error_code error;
    std::filesystem::create_directories(o.out, error);
    if (!std::filesystem::is_directory(o.out)) {
        fprintf(stderr, "tallyrpt-gentrace: cannot create %s\n", o.out.c_str());
        return 1;
    }
    const uint32_t file_count = o.files ? o.files : default_file_count(o.size);
    remove_stale_traces(o.out, file_count);

    trace_model model;
    std::vector<std::string> files;
    if (!write_static_traces(o.out, o.size * 2 / 5, file_count, o.seed, model, files))
        return 1;
    const uint64_t dynamic_target = o.size > model.static_bytes ? o.size - model.static_bytes : o.size / 10;
    dynamic_counts dynamic;
    if (!write_dynamic_trace(o.out + "/run.tdf", model, dynamic_target, o.repeat, o.seed, dynamic))
        return 1;
    if (!write_manifest(o.out + "/manifest.txt", o, files, model, dynamic)) {
        fprintf(stderr, "tallyrpt-gentrace: cannot write %s/manifest.txt\n", o.out.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    printf("%s: %zu static traces, %.1f MB static (%llu nodes), %.1f MB dynamic (%llu records, %llu copies) "
           "in %.2f s\n",
           o.out.c_str(), files.size(), model.static_bytes / 1e6,
           (unsigned long long)(model.scopes + model.statements), dynamic.bytes / 1e6,
           (unsigned long long)dynamic.records, (unsigned long long)dynamic.copies, seconds);
    return 0;
}
