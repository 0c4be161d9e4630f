// Helpers of the tallyview tests: the golden results files of the tallyrpt
// end-to-end cases and the hand-made ones of tests/view/data, read into a
// view_results, and both writers' output as bytes.
#pragma once

#include "html_writer.h"
#include "junit_writer.h"
#include "results_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

inline QString golden_results(const char *name)
{
    return QStringLiteral(TALLY_TEST_DATA_DIR "/e2e/cases/") + QLatin1String(name) + QStringLiteral("/expected.xrd");
}

inline QString view_data(const char *name)
{
    return QStringLiteral(TALLY_VIEW_DATA_DIR "/") + QLatin1String(name);
}

inline view_results read_or_fail(const QString &path)
{
    view_results results;
    QString error;
    EXPECT_EQ(read_results_file(path, results, error), 0) << error.toStdString();
    return results;
}

inline view_results read_text(const QByteArray &text, QString *error_out = nullptr, int *status = nullptr)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    view_results results;
    QString error;
    const int result = read_results(buffer, results, error);
    if (error_out)
        *error_out = error;
    if (status)
        *status = result;
    return results;
}

template <typename Writer>
QByteArray render(const view_results &results, Writer writer)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    text_sink sink;
    sink.device = &buffer;
    writer(results, sink);
    sink_flush(sink);
    return buffer.data();
}

inline QByteArray html_of(const view_results &results) { return render(results, write_html); }
inline QByteArray junit_of(const view_results &results, const junit_options &options = {})
{
    return render(results, [&](const view_results &r, text_sink &sink) { write_junit(r, sink, options); });
}
