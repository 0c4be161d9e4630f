// The command line: accepted argument lists and what they ask for, and the
// refused ones, each with a one-line reason.
#include "view_options.h"

#include <gtest/gtest.h>

namespace {

TEST(ViewOptions, AcceptedAndRefusedCommandLines)
{
    const struct {
        QStringList arguments;
        view_format format;
        const char *input, *output;
        const char *traces;  // the static traces, then "|" and the dynamic trace
    } accepted[] = {
        {{"r.xrd"}, view_format::html, "r.xrd", "", "|"},
        {{"--junit", "r.xrd"}, view_format::junit, "r.xrd", "", "|"},
        {{"r.xrd", "--html", "-o", "out.html"}, view_format::html, "r.xrd", "out.html", "|"},
        {{"--output=o.xml", "--junit", "r.xrd"}, view_format::junit, "r.xrd", "o.xml", "|"},
        {{"--junit", "--junit", "r.xrd"}, view_format::junit, "r.xrd", "", "|"},
        {{"--", "-r.xrd"}, view_format::html, "-r.xrd", "", "|"},
        {{"-"}, view_format::html, "-", "", "|"},
        // A trace list runs to the next option word, in any order.
        {{"-tsf", "a.tsf", "b.tsf", "-tdf", "t.tdf", "--junit"}, view_format::junit, "", "", "a.tsf b.tsf|t.tdf"},
        {{"-tdf", "t.tdf", "-o", "p.html", "-tsf", "a.tsf"}, view_format::html, "", "p.html", "a.tsf|t.tdf"},
        {{"-tsf", "-tdf", "t.tdf", "--summary"}, view_format::html, "", "", "|t.tdf"},
        {{"r.xrd", "--baseline", "old.xrd", "--summary", "--fail-on-failure"}, view_format::html, "r.xrd", "", "|"},
        {{"--junit", "--case-output", "--passed-output", "r.xrd"}, view_format::junit, "r.xrd", "", "|"},
    };
    for (const auto &c : accepted) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        view_options options;
        QString error;
        ASSERT_EQ(parse_view_options(c.arguments, options, error), 0) << error.toStdString();
        EXPECT_EQ(options.format, c.format);
        EXPECT_EQ(options.input, QString::fromUtf8(c.input));
        EXPECT_EQ(options.output, QString::fromUtf8(c.output));
        EXPECT_EQ(options.static_traces.join(QLatin1Char(' ')) + QLatin1Char('|') + options.dynamic_trace,
                  QString::fromUtf8(c.traces));
    }
    const QStringList refused[] = {
        {}, {"--html", "--junit", "r.xrd"}, {"a.xrd", "b.xrd"}, {"r.xrd", "-o"}, {"r.xrd", "-o", "a", "-o", "b"},
        {"r.xrd", "--output="}, {"-x", "r.xrd"}, {"-o", "out.html"}, {"-tsf", "a.tsf"},
        {"-tsf", "a.tsf", "-tdf", "t.tdf", "r.xrd"}, {"-tdf", "t.tdf", "-tdf", "u.tdf"},
        {"r.xrd", "--baseline", "o.xrd", "--baseline-tdf", "o.tdf"}, {"r.xrd", "--baseline-tdf", "o.tdf"},
        {"r.xrd", "--summary", "--junit"}, {"r.xrd", "--case-output"},
    };
    for (const QStringList &arguments : refused) {
        view_options options;
        QString error;
        EXPECT_EQ(parse_view_options(arguments, options, error), -1) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(error.isEmpty() || error.contains(QLatin1Char('\n'))) << error.toStdString();
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

}  // namespace
