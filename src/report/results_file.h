// Where the results document goes. A regular file (or a path that does not
// exist yet) is replaced whole or not at all: the document is written to a
// new file in the same folder, and only once its last byte went through is
// it put in place of the old one. A run that fails or is killed part way
// leaves the old file as it was. A FIFO or a device is written directly.
//
// A symbolic link as the path replaces the file it points to. The new file
// gets the old file's permissions, or those a new file would get.
#pragma once

#include <cstdio>
#include <string>

struct ResultsFile {
    FILE *stream = nullptr;
    bool replaces = false;    // false: written directly, as opened
    std::string target;       // the path replaced in the end, links resolved
    int descriptor = -1;      // of the new file, while it has no name
    std::string new_name;     // the new file's name once it has one
};

// 0 with file->stream open for writing; -1 when nothing can be written
// there (a missing folder, a folder, no permission), with nothing created.
int results_file_open(const char *path, ResultsFile *file);

// Flushes and closes the stream and, when replacing, puts the new file in
// place of the old. 0 on success; -1 when a write, the close or the
// replacement failed, in which case the new file is removed and the old one
// left as it was (a directly written file keeps what reached it).
int results_file_commit(ResultsFile *file);
