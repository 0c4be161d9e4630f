#pragma once

// True when the path names any existing file system entry, a directory included.
bool file_exists(const char *path);
