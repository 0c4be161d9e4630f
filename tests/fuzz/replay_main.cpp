// Entry point of a harness built without libFuzzer: replays every file named
// on the command line (directories are read one level deep, in name order)
// through LLVMFuzzerTestOneInput once. A broken invariant aborts, so the test
// fails on the input that broke it; the sanitizers, when built in, report
// like they would under libFuzzer.
#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool read_whole_file(const std::string &path, std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    char chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    const bool ok = !ferror(file);
    fclose(file);
    return ok;
}

void collect(const std::string &path, std::vector<std::string> &files)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        files.push_back(path);  // reported as unreadable below
        return;
    }
    if (!S_ISDIR(status.st_mode)) {
        files.push_back(path);
        return;
    }
    std::vector<std::string> names;
    if (DIR *directory = opendir(path.c_str())) {
        while (const dirent *entry = readdir(directory))
            if (entry->d_name[0] != '.')
                names.push_back(path + "/" + entry->d_name);
        closedir(directory);
    }
    std::sort(names.begin(), names.end());
    for (const std::string &name : names)
        if (stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode))
            files.push_back(name);
}

}  // namespace

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        collect(argv[i], files);
    std::string bytes;
    for (const std::string &file : files) {
        if (!read_whole_file(file, bytes)) {
            fprintf(stderr, "replay: cannot read %s\n", file.c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    printf("replayed %zu inputs\n", files.size());
    return files.empty() ? 1 : 0;
}
