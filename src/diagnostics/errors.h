// The one diagnostic printer and its two constant tables. Every problem the
// system reports reaches the user as one line on standard error:
//   tallyrpt - <severity word> [<location>]<message with arguments>\n
// Texts are translated in the context "ZOLT Error" at the moment of printing.
#pragma once

#include <QString>

enum ErrorCode {
    ERR_INTERNAL = 0,
    ERR_NO_MEMORY = 1,
    ERR_NO_FILE = 2,
    ERR_BAD_FORMAT = 3,
    ERR_PERMISSION = 4,
    ERR_WRITE_FAILED = 5,
    ERR_UNEXPECTED = 6,
};

enum Severity {
    SEVERITY_INFO = 0,
    SEVERITY_WARNING = 1,
    SEVERITY_ERROR = 2,
    SEVERITY_FATAL = 3,
    SEVERITY_LEXICAL = 4,
    SEVERITY_SYNTAX = 5,
    SEVERITY_SEMANTIC = 6,
    SEVERITY_ERROR_ALT = 7,
};

struct DiagnosticEntry {
    const char *message;  // source text, also the translation key
    Severity severity;
};

extern const DiagnosticEntry diagnostic_table[];
extern const int diagnostic_table_size;
extern const char *const severity_words[8];

// File argument meaning "the command line" rather than a file name.
extern const char *const LOCATION_COMMAND_LINE;

// When set, a fatal diagnostic ends the process with status 1 after printing.
// Nothing in the program sets it.
extern bool exit_on_fatal;

// file: nullptr (no location), LOCATION_COMMAND_LINE, or a local 8-bit name.
// line: 0 for none. Null arguments are absent and use up no placeholder.
void print_diagnostic(ErrorCode code, const char *file, int line,
                      const QString &a1 = QString(), const QString &a2 = QString(),
                      const QString &a3 = QString(), const QString &a4 = QString(),
                      const QString &a5 = QString());

void report_error3(ErrorCode code, const char *file, int line,
                   const char *s1, const char *s2, const char *s3);
void report_error2(ErrorCode code, const char *file, int line, const char *s1, const char *s2);
void report_error1(ErrorCode code, const char *file, int line, const char *s1);
void report_error0(ErrorCode code, const char *file, int line);

// QString::arg-style filling of one argument: replaces every occurrence of the
// lowest-numbered placeholder (%1..%99) still in the text. Text without a
// placeholder is returned unchanged (and silently, unlike QString::arg).
QString fill_lowest_placeholder(const QString &text, const QString &value);
