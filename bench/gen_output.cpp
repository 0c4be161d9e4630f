// Opening, flushing and closing of the buffered trace writer.
#include "gen_output.h"

#include <cstdlib>

bool writer_open(trace_writer &w, const std::string &path)
{
    w = trace_writer{};
    w.file = fopen(path.c_str(), "wb");
    if (!w.file)
        return false;
    w.buffer = static_cast<char *>(malloc(WRITER_BUFFER_SIZE));
    if (!w.buffer) {
        fclose(w.file);
        w.file = nullptr;
        return false;
    }
    return true;
}

void writer_flush(trace_writer &w)
{
    if (w.used == 0)
        return;
    if (fwrite(w.buffer, 1, w.used, w.file) != w.used)
        w.failed = true;
    w.flushed += w.used;
    w.used = 0;
}

bool writer_close(trace_writer &w)
{
    if (!w.file)
        return false;
    writer_flush(w);
    if (fclose(w.file) != 0)
        w.failed = true;
    free(w.buffer);
    w.file = nullptr;
    w.buffer = nullptr;
    return !w.failed;
}
