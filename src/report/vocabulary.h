// Words, labels and styles of node types and verdicts. The classes of node
// types are the tree's (tree/node_types.h), included here for the report.
#pragma once

#include "tree/node_types.h"

#include <QString>

// Translated display name ("ZOLTGEN KvsType"); "-~" for unknown types.
QString type_name(int type);
// Source text of the display name, or null for unknown types.
const char *type_source_name(int type);
// "ok", "ko" or "NE"; never translated.
const char *status_word(int verdict);
// Translated "Passed", "Failed" or "Not Executed" ("TALLYGEN status").
QString status_label(int verdict);
// CellStyle of a verdict.
int status_style(int verdict);
// Translated headings of the five columns (0 to 4) of a check table
// ("ZOLTGEN Cell text") and of a Stub's table ("TALLYGEN Stub row title").
QString check_heading(int column);
QString stub_heading(int column);
// Translated status word of a check under a Stub that did not fail
// ("TALLYGEN Stub").
QString stub_executed_label();
