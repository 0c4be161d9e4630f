// Writes the static traces of a generated set: DIR/trace1.tsf ... traceK.tsf,
// each a run of file sections ("DB", "SO", "IN" "File", "ID", scopes and
// statements, "ED") until its share of the byte budget is used, and records
// every section in the model for the dynamic trace.
#pragma once

#include "gen_model.h"

#include <cstdint>
#include <string>
#include <vector>

// False (with a message on stderr) when a file cannot be written.
bool write_static_traces(const std::string &dir, uint64_t target_bytes, uint32_t file_count, uint64_t seed,
                         trace_model &model, std::vector<std::string> &file_names);
