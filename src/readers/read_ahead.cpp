// The threshold of the readers' read-ahead: see read_ahead.h.
#include "readers/read_ahead.h"

namespace {

size_t records_before_read_ahead = 4096;

}  // namespace

size_t read_ahead_after()
{
    return records_before_read_ahead;
}

void set_read_ahead_after(size_t records)
{
    records_before_read_ahead = records;
}
