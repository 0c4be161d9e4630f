// tallyview from the traces themselves: the static traces and the dynamic
// trace go through tallyrpt's own readers and roll-up (the core library), and
// the finished tree becomes a view_results. Unlike a results file, this keeps
// the messages of every check (the reason a check failed), the failed
// verdict of a Print, and every scope of the static traces, not-executed
// ones included. Labels come from tallyrpt's vocabulary and catalogues, so a
// French run gives a French page.
#pragma once

#include "results_model.h"

#include <QString>
#include <QStringList>

class QCoreApplication;

struct trace_inputs {
    QStringList static_traces;
    QString dynamic_trace;
};

// tallyrpt's catalogues from $KORVELDIR/lib/locale, as tallyrpt finds them.
// 0 when installed; -1 with a one-line reason when KORVELDIR is unset or
// names no installation.
int install_report_catalogues(QCoreApplication &app, QString &error);

// 0 on success; -1 with a one-line reason naming the file when a trace is
// missing or cannot be read. The studio header (ZEPH_STUDIO_HEADER_FILE)
// gives the project values, as for tallyrpt.
int read_traces(const trace_inputs &inputs, view_results &results, QString &error);
