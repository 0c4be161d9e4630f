// The command line of tallyview:
//   tallyview [--html | --junit] [-o OUT | --output OUT] RESULTS.xrd
// HTML is the default; without -o the output goes to standard output.
#pragma once

#include <QString>
#include <QStringList>

enum class view_format { html, junit };

struct view_options {
    view_format format = view_format::html;
    QString input;
    QString output;  // empty: standard output
    bool help = false;
    bool version = false;
};

// Arguments without the program name. 0 on success; -1 with a one-line
// reason in error.
int parse_view_options(const QStringList &arguments, view_options &options, QString &error);

// The usage text, several lines, ending with a newline.
QString view_usage();
