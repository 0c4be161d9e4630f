// Helpers of the tallyview tests: the golden results files of the tallyrpt
// end-to-end cases and the hand-made ones of tests/view/data, read into a
// view_results, both writers' output as bytes, and a page's packed data
// blocks unpacked.
#pragma once

#include "html_writer.h"
#include "junit_writer.h"
#include "results_reader.h"

#include <QBuffer>
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <gtest/gtest.h>
#include <zlib.h>

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

// The JSON of the page's data block with this id (base64 of a zlib stream).
inline QJsonObject page_block(const QByteArray &html, const char *id)
{
    const QByteArray open = QByteArray("id=\"") + id + "\">";
    const qsizetype start = html.indexOf(open) + open.size();
    const QByteArray packed =
        QByteArray::fromBase64(html.mid(start, html.indexOf("</script>", start) - start));
    QByteArray json;
    z_stream stream{};
    inflateInit(&stream);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
    stream.avail_in = static_cast<uInt>(packed.size());
    char block[1 << 16];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(block);
        stream.avail_out = sizeof block;
        status = inflate(&stream, Z_NO_FLUSH);
        json.append(block, static_cast<qsizetype>(sizeof block - stream.avail_out));
    }
    inflateEnd(&stream);
    EXPECT_EQ(status, Z_STREAM_END) << id;
    return QJsonDocument::fromJson(json).object();
}
