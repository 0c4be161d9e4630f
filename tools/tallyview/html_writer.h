// The HTML view of a results file: one self-contained page with the report
// information and summary (counts and a pass/fail bar) at the top, then the
// node tree as nested <details> sections coloured by verdict and opened where
// something failed, each with its check table, Print rows and messages, and
// each check's source as file:line (a file:// link for an absolute path).
#pragma once

#include "results_model.h"
#include "text_sink.h"

void write_html(const view_results &results, text_sink &sink);
