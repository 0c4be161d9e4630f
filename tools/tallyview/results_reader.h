// Reads a results file into a view_results with libxml2's push parser, in one
// streaming pass and without recursion, so that a node tree nested a million
// levels deep reads like a flat one. Namespace processing is off: the node
// element's "XROD:" prefix is never declared.
#pragma once

#include "results_model.h"

#include <QString>

class QIODevice;

// 0 on success; -1 with a one-line reason in error (no file name in it) when
// the file cannot be opened, is not well-formed XML or is not a results file.
int read_results_file(const QString &path, view_results &results, QString &error);

// The same on an open device.
int read_results(QIODevice &device, view_results &results, QString &error);
