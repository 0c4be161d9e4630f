// The small interpretations both writers rely on: link targets, source
// labels and file:// links, Java packages, the generation time, and the
// escaping of every text that reaches a page or a JUnit file.
#include "results_model.h"
#include "text_sink.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(ViewModel, LinkTargets)
{
    const struct { const char *target, *path; int line; const char *label; } cases[] = {
        {"/src/T.java line 42", "/src/T.java", 42, "/src/T.java:42"},
        {"/work space/a line b.java line 7", "/work space/a line b.java", 7, "/work space/a line b.java:7"},
        {" line 30", "", 30, ":30"},
        {"C:\\src\\T.java line 3", "C:\\src\\T.java", 3, "C:\\src\\T.java:3"},
        {"no line here", "no line here", -1, "no line here"},
        {"T.java line x", "T.java line x", -1, "T.java line x"},
    };
    for (const auto &c : cases) {
        const source_ref source = parse_link_target(QString::fromUtf8(c.target));
        EXPECT_EQ(source.path, QString::fromUtf8(c.path)) << c.target;
        EXPECT_EQ(source.line, c.line) << c.target;
        EXPECT_EQ(source_label(source), QString::fromUtf8(c.label)) << c.target;
    }
}

TEST(ViewModel, OnlyAbsolutePathsGetFileLinks)
{
    const struct { const char *path, *url; /* empty: no link */ } cases[] = {
        {"/src/T.java", "file:///src/T.java"}, {"/work space/É.java", "file:///work%20space/%C3%89.java"},
        {"/a/#b?.java", "file:///a/%23b%3F.java"}, {"C:\\src\\T.java", "file:///C:/src/T.java"},
        {"c:/src/T.java", "file:///c:/src/T.java"}, {"src/T.java", ""}, {"ab/T.java", ""}, {"T.java", ""},
        {"", ""}, {"ab:\\x", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(source_url({QString::fromUtf8(c.path), 1}), QString::fromUtf8(c.url)) << c.path;
}

TEST(ViewModel, JavaPackageFromTheSourcePath)
{
    const struct { const char *path, *package; } cases[] = {
        {"/home/u/calc/src/test/java/com/acme/CalcTest.java", "com.acme"},
        {"C:\\work\\src\\test\\java\\org\\x\\T.java", "org.x"}, {"/proj/src/test/com/acme/T.java", "com.acme"},
        {"/home/user/project/src/test/CalcTest.java", ""}, {"/proj/java/T.java", ""}, {"/proj/tests/T.java", ""},
        {"T.java", ""}, {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(java_package(QString::fromUtf8(c.path)), QString::fromUtf8(c.package)) << c.path;
}

TEST(ViewModel, GenerationTimestampFromTheTimeRow)
{
    const struct { const char *value, *timestamp; } cases[] = {
        {"Sun Dec 6 01:50:02 2026", "2026-12-06T01:50:02"}, {"Mon Jan 19 23:05:00 2026", "2026-01-19T23:05:00"},
        {"yesterday", ""}, {"", ""},
    };
    for (const auto &c : cases) {
        view_results results;
        // The label is translated, so only the value's layout counts.
        results.info.push_back({QStringLiteral("Heure de génération"), QString::fromUtf8(c.value)});
        EXPECT_EQ(generation_timestamp(results), QString::fromUtf8(c.timestamp)) << c.value;
    }
}

TEST(ViewSink, EscapesForXmlAndHtml)
{
    const struct { QString text; const char *as_text, *as_attribute; } cases[] = {
        {QStringLiteral("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;d&#39;", "a&lt;b&gt;&amp;&quot;c&quot;&#39;d&#39;"},
        {QStringLiteral("&amp;"), "&amp;amp;", "&amp;amp;"},
        {QStringLiteral("tab\there\nnew\rline"), "tab\there\nnew\rline", "tab&#9;here&#10;new&#13;line"},
        {QStringLiteral("bell\x07 nul") + QChar(0) + QStringLiteral("x"), "bell\xEF\xBF\xBD nul\xEF\xBF\xBDx",
         "bell\xEF\xBF\xBD nul\xEF\xBF\xBDx"},
        {QStringLiteral("café → ✓"), "caf\xC3\xA9 \xE2\x86\x92 \xE2\x9C\x93", "caf\xC3\xA9 \xE2\x86\x92 \xE2\x9C\x93"},
        {QString(), "", ""},
    };
    for (const auto &c : cases) {
        for (const bool attribute : {false, true}) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            text_sink sink;
            sink.device = &buffer;
            attribute ? sink_attribute(sink, c.text) : sink_text(sink, c.text);
            sink_flush(sink);
            EXPECT_EQ(buffer.data(), QByteArray(attribute ? c.as_attribute : c.as_text)) << c.text.toStdString();
        }
    }
}

TEST(ViewSink, LargeOutputArrivesWholeAndAFailingDeviceIsNoticed)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    text_sink sink;
    sink.device = &buffer;
    for (int i = 0; i < 100000; ++i)
        sink_text(sink, QStringLiteral("<x>&"));
    EXPECT_TRUE(sink_flush(sink));
    EXPECT_EQ(buffer.data().size(), 100000 * 14);
    EXPECT_TRUE(buffer.data().endsWith("&lt;x&gt;&amp;&lt;x&gt;&amp;"));

    // A full disk: the sink notices the refused block.
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        GTEST_SKIP() << "no /dev/full here";
    text_sink failing;
    failing.device = &full;
    sink_literal(failing, "x");
    EXPECT_FALSE(sink_flush(failing));
    EXPECT_TRUE(failing.failed);
}

}  // namespace
