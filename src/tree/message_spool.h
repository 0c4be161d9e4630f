// Message texts of a run, kept in an unlinked temporary file instead of in
// memory. A print inside a loop receives one message per pass, so the number
// of messages follows the length of the dynamic trace rather than the size of
// the tree; spooling them keeps memory in proportion to the tree.
//
// Records are appended in 1 MiB blocks. Full blocks stay in memory up to a
// budget the tree sets in proportion to its size, then go to the file; a
// block that cannot be written (no temporary folder, a full device) is kept
// in memory instead: nothing is lost, only memory is spent.
//
// Each record holds the distance back to the record before it in the same
// list and its text's length, in a few bytes each, so appending never
// rewrites what is already written and a short message takes little more
// than its text. Lists are read oldest
// first by walking them back in segments of about the square root of their
// length, which bounds the memory a long list needs while it is read.
#pragma once

#include <cstddef>
#include <cstdint>

// A record's place in the spool; 0 is "no record".
typedef uint64_t SpoolOffset;

typedef void (*SpoolVisitor)(const char *text, size_t length, void *context);

// Appends text (length bytes) after previous, the last record of its list
// (0 for a new list), and returns the new record's offset.
SpoolOffset spool_append(SpoolOffset previous, const char *text, size_t length);
// Visits the list ending at last, oldest record first. The text passed to
// visit is its length bytes, not NUL-terminated (it may be read in place),
// and valid during the call only. Several threads
// may visit lists at once while nothing is appended: each keeps its own
// reading state (and its own cache of the file's pages).
void spool_visit_list(SpoolOffset last, SpoolVisitor visit, void *context);
// Full blocks up to this many bytes stay in memory; later blocks go to the
// file. Raising it keeps more; lowering it moves nothing already kept.
void spool_set_memory_budget(uint64_t bytes);
// Whether any block has been written to the temporary file (for tests).
bool spool_uses_file();
// Forgets every record, closes and so removes the temporary file.
void spool_clear();
