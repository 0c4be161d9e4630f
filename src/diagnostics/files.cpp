#include "diagnostics/files.h"

#include <sys/stat.h>

bool file_exists(const char *path)
{
    struct stat info;
    return path && stat(path, &info) == 0;
}
