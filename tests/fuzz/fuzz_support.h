// Shared pieces of the fuzz harnesses: the application object every
// translation needs, the reset of process-wide state between inputs, a
// check that stops the run on a broken invariant, and the splitting of one
// input into several files.
//
// Each harness defines the two libFuzzer entry points. Built with
// -fsanitize=fuzzer they are driven by libFuzzer; built with replay_main.cpp
// they replay files (the seed corpora and saved crash inputs) as a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// Creates the one QCoreApplication (C.UTF-8 locale, no catalogues installed)
// and the out-of-memory handler of the real program. Idempotent.
void fuzz_start_application();

// Empties the tree and restarts the document's tag numbers, as a new
// process would have them.
void fuzz_reset_state();

// Prints what failed and aborts, so that libFuzzer (or the replay test)
// reports the input.
[[noreturn]] void fuzz_fail(const char *what, const std::string &detail = std::string());
#define FUZZ_CHECK(condition, detail) \
    do { \
        if (!(condition)) \
            fuzz_fail(#condition, detail); \
    } while (0)

// The pieces of text between occurrences of marker; always at least one.
std::vector<std::string> split_at(const std::string &text, const std::string &marker);

// A file in memory (memfd) that the code under test can open by path, as
// /proc/self/fd/<n>: no disk traffic per input.
struct MemoryFile {
    int descriptor = -1;
    std::string path;
};
MemoryFile memory_file_create(const char *name);
void memory_file_write(const MemoryFile &file, const void *data, size_t size);
std::string memory_file_read(const MemoryFile &file);
