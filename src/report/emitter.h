// The lowest layer of the report writer: each function writes one fixed
// piece of markup to the results stream. Every text is written once as UTF-8
// after white-space simplification and escaping of & " < > (in that order);
// characters XML 1.0 cannot carry are written as U+FFFD.
#pragma once

#include "report/markup.h"

#include <QString>
#include <cstdio>

enum CellStyle {
    CELL_TITLE = 0,
    CELL_PLAIN = 1,
    CELL_FAILED = 2,
    CELL_PASSED = 3,
};

enum NodeIcon {
    ICON_METHOD = 0,
    ICON_CLASS = 1,
    ICON_TEST_SCRIPT = 2,
};

// Document-wide tag number, 0 at process start, never reset.
extern int tag_counter;
// Takes the current number and advances the counter.
int take_tag_number();

void write_escaped(FILE *stream, const char *text);
void write_escaped_string(FILE *stream, const QString &text);
void write_title(FILE *stream, const QString &text, int level, int verdict, int number);
void write_link_cell(FILE *stream, const char *text, int style, const char *target, int line);
void write_check_header_row(FILE *stream, int style);
void write_stub_header_row(FILE *stream, int style);

// Builders behind the writers above. Each appends to a buffer exactly the
// bytes of its writer, so that a writer leaves in one fwrite and the section
// and document writers can prepare fixed rows once per document. Parameters
// named escaped_* are already escaped UTF-8.
void append_tag(Markup &out, const char *name, bool closing);
void append_title(Markup &out, const QString &text, int level, int verdict, int number);
// A title whose text is head, one space and the local 8-bit tail.
void append_title(Markup &out, const QString &head, const char *tail, int level,
                  int verdict, int number);
// "<CELL_TEXT STYLE=\"...\">" for a CellStyle.
void append_cell_text_open(Markup &out, int style);
void append_cell_text(Markup &out, const char *text, int style);
void append_cell_text(Markup &out, const QString &text, int style);
void append_cell_number(Markup &out, long long number, int style);
void append_link_cell(Markup &out, const char *text, int style,
                      const Markup &escaped_target, int line);
// A header row of five translated labels.
void append_header_row(Markup &out, const QString *labels, int style);
// The two header rows with their labels translated at the moment of the call.
void append_check_header_row(Markup &out, int style);
void append_stub_header_row(Markup &out, int style);
void append_tree_node(Markup &out, const Markup &escaped_name,
                      const Markup &escaped_type_name, const char *state, int sum, int icon);
// Writes the whole buffer with one unlocked fwrite, or queues it for the
// background writer when that is writing this stream.
void write_buffer(FILE *stream, const Markup &bytes);
