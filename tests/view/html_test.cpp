// The HTML page: escaping of hostile texts, verdict classes and the open
// state of failed scopes, source links, labels taken from the results file,
// and a page that loads nothing from anywhere. The browser test checks the
// same page behaving in Chromium; these check the markup itself.
#include "view_fixtures.h"

#include <QRegularExpression>

namespace {

class ViewHtml : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        mixed = new QString(QString::fromUtf8(html_of(read_or_fail(view_data("mixed.xrd")))));
    }
    static void TearDownTestSuite()
    {
        delete mixed;
        mixed = nullptr;
    }
    static QString *mixed;
};

QString *ViewHtml::mixed = nullptr;

// The opening tag of the <details> whose title is the given text.
QString details_tag_of(const QString &page, const QString &title)
{
    const qsizetype at = page.indexOf(QStringLiteral("<span class=\"title\">") + title + QStringLiteral("</span>"));
    if (at < 0)
        return QString();
    const qsizetype start = page.lastIndexOf(QStringLiteral("<details"), at);
    return page.mid(start, page.indexOf(QLatin1Char('>'), start) - start + 1);
}

TEST_F(ViewHtml, HostileTextsStayText)
{
    EXPECT_FALSE(mixed->contains(QStringLiteral("<img")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("a &lt;img src=x onerror=&quot;window.__pwned=1&quot;&gt; b")));
    // Only the page's own script element.
    EXPECT_EQ(mixed->count(QStringLiteral("<script")), 1);
    EXPECT_EQ(mixed->count(QStringLiteral("</script>")), 1);
    EXPECT_TRUE(mixed->contains(QStringLiteral("<li>first &amp;amp; message</li>")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("<th>Projet</th><td>Billing &amp; Co</td>")));
}

TEST_F(ViewHtml, FailedScopesAreOpenAndColouredOthersClosed)
{
    const struct {
        const char *title;
        const char *tag;
    } cases[] = {
        {"Pilote de test A", "<details class=\"scope ko driver\" open>"},
        {"Suite de tests S1", "<details class=\"scope ko group\" open>"},
        {"Cas de test c1", "<details class=\"scope ok counted\">"},
        {"Cas de test c2", "<details class=\"scope ko counted\" open>"},
        {"Bouchon st1", "<details class=\"scope ko counted\" open>"},
        {"Cas de test c3", "<details class=\"scope ne counted\">"},
        {"Classe de test K", "<details class=\"scope ok group\">"},
        {"Pilote de test B", "<details class=\"scope ok driver\">"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(details_tag_of(*mixed, QString::fromUtf8(c.title)), QString::fromUtf8(c.tag));
    }
    EXPECT_EQ(mixed->count(QStringLiteral("<details")), 10);
    EXPECT_EQ(mixed->count(QStringLiteral("</details>")), 10);
    // Failed rows carry their class; the tallies count the cases below.
    EXPECT_TRUE(mixed->contains(QStringLiteral("<tr class=\"row failed\"><td class=\"expr\"><span class=\"text\">"
                                               "total() == 42</span>")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("<span class=\"title\">Pilote de test A</span><span class=\"tally\">"
                                               "<span class=\"t-ok\">2</span><span class=\"t-ko\">2</span>"
                                               "<span class=\"t-ne\">1</span></span>")));
}

TEST_F(ViewHtml, SourcesAsFileAndLine)
{
    const struct {
        const char *markup;
    } expected[] = {
        {"<a class=\"src\" href=\"file:///work%20space/src/MixedTest.java\">/work space/src/MixedTest.java:20</a>"},
        {"<a class=\"src\" href=\"file:///C:/src/Setup.java\">C:\\src\\Setup.java:3</a>"},
        {"<span class=\"src\">src/MixedTest.java:11</span>"},
        {"<span class=\"src\">:30</span>"},
    };
    for (const auto &e : expected)
        EXPECT_TRUE(mixed->contains(QString::fromUtf8(e.markup))) << e.markup;
}

TEST_F(ViewHtml, LabelsComeFromTheResultsFile)
{
    // The heading is the project's name when the report gives one.
    EXPECT_TRUE(mixed->contains(QStringLiteral("<h1>Billing &amp; Co</h1>")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("<span class=\"label\">Réussis</span><span class=\"value\" "
                                               "id=\"count-passed\">3</span>")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("<div class=\"count v-failed\"><span class=\"label\">Échoués</span>"
                                               "<span class=\"value\" id=\"count-failed\">2</span>")));
    // The filter is labelled with the report's own word for failed.
    EXPECT_TRUE(mixed->contains(QStringLiteral("id=\"failed-only\"> <span>Échoués</span>")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("<th>Expression vérifiée</th><th>Statut</th>")));
    EXPECT_TRUE(mixed->contains(QStringLiteral("<td>Non exécuté</td>")));
    // Empty information rows are left out.
    EXPECT_FALSE(mixed->contains(QStringLiteral("Espace de travail")));
}

TEST_F(ViewHtml, LoadsNothingFromOutside)
{
    EXPECT_TRUE(mixed->contains(QStringLiteral("Content-Security-Policy\" content=\"default-src 'none';")));
    static const QRegularExpression fetching(QStringLiteral("(\\bsrc=\"|<link\\b|@import|url\\(|https?:)"));
    EXPECT_FALSE(fetching.match(*mixed).hasMatch()) << fetching.match(*mixed).captured(0).toStdString();
}

TEST(ViewHtmlShapes, BarFollowsTheCounts)
{
    const struct {
        long long passed, failed;
        const char *bar;
    } cases[] = {
        {4, 1, "<span class=\"bar-passed\" style=\"width:80.000%\"></span><span class=\"bar-failed\" "
               "style=\"width:20.000%\"></span></div>"},
        {3, 0, "<span class=\"bar-passed\" style=\"width:100.000%\"></span></div>"},
        {0, 0, "aria-label=\" 0,  0\"></div>"},
    };
    for (const auto &c : cases) {
        view_results results;
        results.passed.count = c.passed;
        results.failed.count = c.failed;
        results.total.count = c.passed + c.failed;
        EXPECT_TRUE(html_of(results).contains(c.bar)) << c.bar;
    }
}

}  // namespace
