// The command line and the output file: accepted and refused argument
// lists, and a named output that appears whole or not at all.
#include "output_file.h"
#include "view_options.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(ViewOptions, AcceptedAndRefusedCommandLines)
{
    const struct {
        QStringList arguments;
        bool ok;
        view_format format;
        const char *input;
        const char *output;
        const char *traces;  // the static traces, then "|" and the dynamic trace
    } cases[] = {
        {{"r.xrd"}, true, view_format::html, "r.xrd", "", "|"},
        {{"--junit", "r.xrd"}, true, view_format::junit, "r.xrd", "", "|"},
        {{"r.xrd", "--html", "-o", "out.html"}, true, view_format::html, "r.xrd", "out.html", "|"},
        {{"--output=o.xml", "--junit", "r.xrd"}, true, view_format::junit, "r.xrd", "o.xml", "|"},
        {{"--junit", "--junit", "r.xrd"}, true, view_format::junit, "r.xrd", "", "|"},
        {{"--", "-r.xrd"}, true, view_format::html, "-r.xrd", "", "|"},
        {{"-"}, true, view_format::html, "-", "", "|"},
        // A trace list runs to the next option word, in any order.
        {{"-tsf", "a.tsf", "b.tsf", "-tdf", "t.tdf", "--junit"}, true, view_format::junit, "", "", "a.tsf b.tsf|t.tdf"},
        {{"-tdf", "t.tdf", "-o", "p.html", "-tsf", "a.tsf"}, true, view_format::html, "", "p.html", "a.tsf|t.tdf"},
        {{"-tsf", "-tdf", "t.tdf", "--summary"}, true, view_format::html, "", "", "|t.tdf"},
        {{"r.xrd", "--baseline", "old.xrd", "--summary", "--fail-on-failure"}, true, view_format::html, "r.xrd", "", "|"},
        {{"--junit", "--case-output", "--passed-output", "r.xrd"}, true, view_format::junit, "r.xrd", "", "|"},
        {{}, false, view_format::html, "", "", ""},
        {{"--html", "--junit", "r.xrd"}, false, view_format::html, "", "", ""},
        {{"a.xrd", "b.xrd"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "-o"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "-o", "a", "-o", "b"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "--output="}, false, view_format::html, "", "", ""},
        {{"-x", "r.xrd"}, false, view_format::html, "", "", ""},
        {{"-o", "out.html"}, false, view_format::html, "", "", ""},
        {{"-tsf", "a.tsf"}, false, view_format::html, "", "", ""},
        {{"-tsf", "a.tsf", "-tdf", "t.tdf", "r.xrd"}, false, view_format::html, "", "", ""},
        {{"-tdf", "t.tdf", "-tdf", "u.tdf"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "--baseline", "o.xrd", "--baseline-tdf", "o.tdf"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "--baseline-tdf", "o.tdf"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "--summary", "--junit"}, false, view_format::html, "", "", ""},
        {{"r.xrd", "--case-output"}, false, view_format::html, "", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        view_options options;
        QString error;
        const int status = parse_view_options(c.arguments, options, error);
        if (!c.ok) {
            EXPECT_EQ(status, -1);
            EXPECT_FALSE(error.isEmpty());
            EXPECT_FALSE(error.contains(QLatin1Char('\n')));
            continue;
        }
        ASSERT_EQ(status, 0) << error.toStdString();
        EXPECT_EQ(options.format, c.format);
        EXPECT_EQ(options.input, QString::fromUtf8(c.input));
        EXPECT_EQ(options.output, QString::fromUtf8(c.output));
        EXPECT_EQ(options.static_traces.join(QLatin1Char(' ')) + QLatin1Char('|') + options.dynamic_trace,
                  QString::fromUtf8(c.traces));
    }
    view_options options;
    QString error;
    EXPECT_EQ(parse_view_options({"--help"}, options, error), 0);
    EXPECT_TRUE(options.help);
    // The summary alone writes no page; with -o it writes both.
    ASSERT_EQ(parse_view_options({"r.xrd", "--summary"}, options, error), 0);
    EXPECT_FALSE(writes_document(options));
    ASSERT_EQ(parse_view_options({"r.xrd", "--summary", "-o", "p.html"}, options, error), 0);
    EXPECT_TRUE(writes_document(options));
}

QByteArray file_bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(ViewOutput, NamedFileAppearsWholeAndNothingElseStays)
{
    const QString dir = QString::fromStdString(make_temp_dir());
    const QString path = dir + QStringLiteral("/out.html");
    QString error;
    ASSERT_EQ(write_output(path, [](text_sink &sink) {
                  for (int i = 0; i < 50000; ++i)
                      sink_literal(sink, "0123456789");
              }, error), 0) << error.toStdString();
    EXPECT_EQ(file_bytes(path).size(), 500000);
    // Replacing it leaves only the new content, and no temporary file.
    ASSERT_EQ(write_output(path, [](text_sink &sink) { sink_literal(sink, "new"); }, error), 0);
    EXPECT_EQ(file_bytes(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"out.html"});
    QDir(dir).removeRecursively();
}

TEST(ViewOutput, UnwritablePlaceIsAnError)
{
    QString error;
    EXPECT_EQ(write_output(QStringLiteral("/nonexistent/dir/out.html"), [](text_sink &sink) { sink_literal(sink, "x"); },
                           error),
              -1);
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/dir/out.html")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/nonexistent/dir/out.html")));
}

}  // namespace
