// The HTML view of a run: one self-contained page with the report
// information and summary (counts and a pass/fail bar) at the top, and, after
// a comparison with a baseline, the changed cases with their marks; then the
// node tree as nested <details> sections coloured by verdict and opened where
// something failed, each with its check table, the checks' and Print rows'
// messages, and each check's source as file:line (a file:// link for an
// absolute path). The heading is the project's name when there is one.
#pragma once

#include "results_model.h"
#include "text_sink.h"

void write_html(const view_results &results, text_sink &sink);
