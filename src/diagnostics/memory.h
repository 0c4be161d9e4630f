// Allocation for the tree, the readers and the command-line parser. Running
// out of memory anywhere (our blocks, operator new, Qt's containers) ends the
// run with "tallyrpt - fatal: out of memory" and status 1.
#pragma once

#include <cstddef>

// Returns the new block; only a request for 0 bytes may return nullptr.
void *mem_alloc(size_t size);
void mem_free(void *block);
// Copies of NUL-terminated texts, allocated with mem_alloc. nullptr gives nullptr.
char *mem_strdup(const char *text);
char *mem_strndup(const char *text, size_t length);
// Makes the pages of [block, block + size) present at once, for memory that
// is about to be written from start to end: one call costs far less than
// the fault each page would take when first written. Only a hint: where the
// system cannot (before Linux 5.14), the pages come by faults as before.
void mem_make_present(void *block, size_t size);

// Installs the new-handler and terminate hook that turn any allocation
// failure into the fatal line. Call once at start-up.
void install_out_of_memory_handler();
// Renders the fatal line (translated with whatever catalogues are installed)
// into a static buffer so that printing it later needs no allocation.
void prepare_out_of_memory_line();
[[noreturn]] void die_out_of_memory();
