// Installs the message catalogues found under $KORVELDIR/lib/locale.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

class QCoreApplication;

// Ends the process with status -1 when KORVELDIR is unset or empty, or when
// its lib/locale directory does not exist. A missing catalogue is skipped.
void load_catalogues(QCoreApplication &app, const QStringList &prefixes);
// The same catalogues where KORVELDIR names a usable installation; nothing,
// and no message, otherwise (for --help and --version).
void load_catalogues_if_present(QCoreApplication &app, const QStringList &prefixes);

// Writes the string as local 8-bit text, character for character.
void print_string(const QString &text, FILE *stream);
