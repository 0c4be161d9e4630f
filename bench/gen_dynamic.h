// Writes the dynamic trace of a generated set: the execution of the test cases
// of the static model, with file switches, instance and method contexts,
// results of every kind, messages, stub calls, loops and checks run in foreign
// contexts. The first pass runs most test cases once, then test cases are run
// again until the byte budget is used; `repeat` writes that whole pass again,
// identical apart from "SF" becoming "CS", for memory-growth measurements.
#pragma once

#include "gen_model.h"

#include <cstdint>
#include <string>

// False (with a message on stderr) when the file cannot be written.
bool write_dynamic_trace(const std::string &path, const trace_model &model, uint64_t target_bytes, uint32_t repeat,
                         uint64_t seed, dynamic_counts &counts);
