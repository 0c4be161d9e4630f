// The terminal summary (--summary): one line of counts, then one line per
// failed check in the shape compilers give their errors, which editors and
// CI log viewers turn into links:
//   <file>:<line>: <case>: <check text>: <first message>
// and, after a comparison with a baseline, one line of change counts and one
// line per changed case ("newly failing: Driver/Suite/case").
#pragma once

#include "results_model.h"

#include <QString>

// The whole summary, every line ending with a newline.
QString summary_text(const view_results &results);
