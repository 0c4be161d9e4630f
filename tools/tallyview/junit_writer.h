// The JUnit XML export of a results file, the format CI servers read:
//   - one <testsuite> per Test Driver and per Test Suite or Test Class that
//     holds test cases directly (the two look the same in a results file:
//     their type names are translated), named "Driver" or "Driver.Group";
//     a Test Driver with no such group below it still gets its own, so every
//     driver shows;
//   - one <testcase> per Test Case, Proc and Stub, in the suite of the
//     nearest enclosing group, its classname that suite's name (with the
//     enclosing case's name for a Stub inside a Test Case);
//   - a failed one holds a <failure> naming its failed checks with their text,
//     counts and file:line; a not-executed one holds <skipped/>;
//   - tests, failures, errors and skipped counted on every suite; the report
//     information rows as properties; Print rows and their messages, and the
//     checks that sit in a group itself, in <system-out>.
// The output follows the common JUnit schema: no attributes on the root,
// timestamp from the report's generation time, hostname "localhost", time 0.
#pragma once

#include "results_model.h"
#include "text_sink.h"

void write_junit(const view_results &results, text_sink &sink);
