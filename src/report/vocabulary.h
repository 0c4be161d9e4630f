// Words, labels, styles and classes of node types and verdicts.
#pragma once

#include <QString>

// Translated display name ("ZOLTGEN KvsType"); "-~" for unknown types.
QString type_name(int type);
// Source text of the display name, or null for unknown types.
const char *type_source_name(int type);
bool is_section_type(int type);
bool is_check_type(int type);
bool is_executable_type(int type);
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
