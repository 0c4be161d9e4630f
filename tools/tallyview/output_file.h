// Writes an output either to standard output or to a named file that appears
// only complete: the text goes to a temporary file in the same directory,
// which replaces the named file once everything was written (QSaveFile), so
// a failure leaves no half-written file behind and an older file untouched.
#pragma once

#include "text_sink.h"

#include <QString>
#include <functional>

// path empty or "-": standard output. 0 on success; -1 with a one-line
// reason in error otherwise.
int write_output(const QString &path, const std::function<void(text_sink &)> &writer, QString &error);
