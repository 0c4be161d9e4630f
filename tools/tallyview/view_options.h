// The command line of tallyview:
//   tallyview [options] RESULTS.xrd
//   tallyview [options] -tsf A.tsf [B.tsf ...] -tdf RUN.tdf
// HTML is the default; without -o the output goes to standard output.
#pragma once

#include "junit_writer.h"

#include <QString>
#include <QStringList>

enum class view_format { html, junit };

struct view_options {
    view_format format = view_format::html;
    bool format_given = false;
    QString input;               // a results file, "-" for standard input; empty with traces
    QStringList static_traces;   // -tsf, in order
    QString dynamic_trace;       // -tdf; not empty when the run is read from traces
    QString output;              // empty: standard output
    bool summary = false;        // the terminal summary on standard output
    bool fail_on_failure = false;
    QString baseline;            // an earlier results file
    QStringList baseline_static_traces;  // the earlier run's -tsf, when they differ
    QString baseline_dynamic_trace;      // an earlier dynamic trace
    junit_options junit;
    bool help = false;
    bool version = false;
};

// Arguments without the program name. 0 on success; -1 with a one-line
// reason in error.
int parse_view_options(const QStringList &arguments, view_options &options, QString &error);

// Whether a page or a JUnit file is written (not only the summary).
bool writes_document(const view_options &options);

// The usage text, several lines, ending with a newline.
QString view_usage();
