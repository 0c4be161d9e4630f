// The JUnit XML export of a results file, the format CI servers read:
//   - one <testsuite> per Test Driver and per Test Suite or Test Class that
//     holds test cases directly (the two look the same in a results file:
//     their type names are translated), named "Driver" or "Driver.Group";
//     a Test Driver with no such group below it still gets its own, so every
//     driver shows;
//   - one <testcase> per Test Case, Proc and Stub, in the suite of the
//     nearest enclosing group, its classname that suite's name (with the
//     enclosing case's name for a Stub inside a Test Case) after the Java
//     package its source path shows;
//   - a failed one holds a <failure> whose message is the first failed
//     check's file:line and text, and whose body gives every failed check
//     with file:line, counts and messages, then the case's Print rows and
//     their messages; a not-executed one holds <skipped/>;
//   - tests, failures, errors and skipped counted on every suite; the report
//     information rows that have a value as properties; the checks and Prints
//     that sit in a group itself in <system-out>.
// The output follows the common JUnit schema: no attributes on the root,
// timestamp from the report's generation time, hostname "localhost", time 0.
// That schema has no <system-out> inside a <testcase>; CI servers read one
// there all the same, and case_output writes the cases' Prints there.
#pragma once

#include "results_model.h"
#include "text_sink.h"

struct junit_options {
    // Each case's Print rows in a <system-out> of its own <testcase>
    // instead of in its failure (outside the common schema).
    bool case_output = false;
    // The Print rows of cases that did not fail too: in their <testcase>
    // with case_output, else in the suite's <system-out>. Left out by
    // default, which keeps the file small for large runs.
    bool passed_output = false;
};

void write_junit(const view_results &results, text_sink &sink, const junit_options &options = {});
