// Java-flavoured names and texts for generated traces, already in the escaped
// form in which the test tool writes them: \" for a quote, \\ for a backslash,
// \t for a tab, octal byte escapes (\303\251) next to raw UTF-8 characters.
// Every function appends to `out`.
#pragma once

#include "gen_model.h"
#include "gen_random.h"

#include <string>

// "OrderLedger", "ReportCaf\303\251"...: the stem of a test class name.
void append_class_stem(rng &r, std::string &out);
// A test method name; `serial` keeps names of one class apart.
void append_case_name(rng &r, uint32_t serial, std::string &out);
// A source path ending in <stem>Test.java, sometimes with spaces or UTF-8.
void append_source_path(rng &r, const std::string &stem, std::string &out);
// The text of a statement of the given kind (the words that decide Print and
// Comment are placed by the kind); `serial` makes texts of one section differ.
void append_statement(rng &r, stmt_kind kind, uint32_t serial, std::string &out);
// A message attached to a result: log lines, assertion failures, timings.
void append_message(rng &r, stmt_kind kind, bool failed, std::string &out);
// The text of a "NO" record without identifier (stub entry, exit, exceptions).
void append_call_note(rng &r, bool entering, std::string &out);
