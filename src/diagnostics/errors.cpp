#include "diagnostics/errors.h"

#include <QCoreApplication>
#include <cstdio>

const DiagnosticEntry diagnostic_table[] = {
    {QT_TRANSLATE_NOOP("ZOLT Error", "internal error: %1"), SEVERITY_FATAL},
    {QT_TRANSLATE_NOOP("ZOLT Error", "out of memory"), SEVERITY_FATAL},
    {QT_TRANSLATE_NOOP("ZOLT Error", "%1, no such file or directory."), SEVERITY_ERROR},
    {QT_TRANSLATE_NOOP("ZOLT Error", "%1, file format not recognized."), SEVERITY_ERROR},
    {QT_TRANSLATE_NOOP("ZOLT Error", "%1, permission denied;"), SEVERITY_ERROR},
    {QT_TRANSLATE_NOOP("ZOLT Error", "%1, write failed."), SEVERITY_ERROR},
    {QT_TRANSLATE_NOOP("ZOLT Error", "(unexpected error)"), SEVERITY_FATAL},
};
const int diagnostic_table_size = sizeof diagnostic_table / sizeof diagnostic_table[0];

const char *const severity_words[8] = {
    QT_TRANSLATE_NOOP("ZOLT Error", "info:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "warning:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "error:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "fatal:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "lexical error:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "syntax error:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "semantic error:"),
    QT_TRANSLATE_NOOP("ZOLT Error", "error:"),
};

static const char command_line_marker = 0;
const char *const LOCATION_COMMAND_LINE = &command_line_marker;

bool exit_on_fatal = false;

static const char *const PROGRAM_WORD = "tallyrpt";

static QString translate_error_text(const char *source)
{
    return QCoreApplication::translate("ZOLT Error", source);
}

static void write_piece(const QString &piece)
{
    fprintf(stderr, "%s", piece.toLocal8Bit().constData());
}

QString fill_lowest_placeholder(const QString &text, const QString &value)
{
    // Find the lowest placeholder number: a percent sign and one or two digits.
    int lowest = 100;
    const int length = text.size();
    for (int i = 0; i + 1 < length; ++i) {
        if (text[i] != QLatin1Char('%') || !text[i + 1].isDigit())
            continue;
        int number = text[i + 1].digitValue();
        if (i + 2 < length && text[i + 2].isDigit())
            number = number * 10 + text[i + 2].digitValue();
        if (number < lowest)
            lowest = number;
    }
    if (lowest == 100)
        return text;

    QString result;
    result.reserve(length + value.size());
    for (int i = 0; i < length;) {
        if (text[i] == QLatin1Char('%') && i + 1 < length && text[i + 1].isDigit()) {
            int number = text[i + 1].digitValue();
            int width = 2;
            if (i + 2 < length && text[i + 2].isDigit()) {
                number = number * 10 + text[i + 2].digitValue();
                width = 3;
            }
            if (number == lowest) {
                result += value;
                i += width;
                continue;
            }
        }
        result += text[i];
        ++i;
    }
    return result;
}

void print_diagnostic(ErrorCode code, const char *file, int line, const QString &a1,
                      const QString &a2, const QString &a3, const QString &a4,
                      const QString &a5)
{
    const DiagnosticEntry &entry = diagnostic_table[code];

    write_piece(QStringLiteral("%1 - ").replace(QLatin1String("%1"), QLatin1String(PROGRAM_WORD)));
    write_piece(translate_error_text(severity_words[entry.severity]) + QLatin1Char(' '));

    if (file == LOCATION_COMMAND_LINE) {
        write_piece(QCoreApplication::translate("ZOLT Error", "command line:") + QLatin1Char(' '));
    } else if (file) {
        QString location = QString::fromLocal8Bit(file) + QLatin1Char(':');
        if (line != 0)
            location += QString::number(line) + QLatin1String(": ");
        else
            location += QLatin1Char(' ');
        write_piece(location);
    }

    QString message = translate_error_text(entry.message);
    for (const QString *argument : {&a1, &a2, &a3, &a4, &a5}) {
        if (!argument->isNull())
            message = fill_lowest_placeholder(message, *argument);
    }
    write_piece(message + QLatin1Char('\n'));

    if (exit_on_fatal && entry.severity == SEVERITY_FATAL)
        exit(1);
}

static QString decode_argument(const char *text)
{
    return text ? QString::fromLocal8Bit(text) : QString();
}

void report_error3(ErrorCode code, const char *file, int line, const char *s1,
                   const char *s2, const char *s3)
{
    print_diagnostic(code, file, line, decode_argument(s1), decode_argument(s2),
                     decode_argument(s3), QString(), QString());
}

void report_error2(ErrorCode code, const char *file, int line, const char *s1, const char *s2)
{
    report_error3(code, file, line, s1, s2, nullptr);
}

void report_error1(ErrorCode code, const char *file, int line, const char *s1)
{
    report_error2(code, file, line, s1, nullptr);
}

void report_error0(ErrorCode code, const char *file, int line)
{
    report_error1(code, file, line, nullptr);
}
