// The HTML page: its markup (escaping, labels from the results file, counts
// and bar, a page that loads nothing) and its packed data, unpacked here:
// the scopes as columns, the rows with their sources, cells and messages.
// The browser test checks the same page behaving in Chromium.
#include "view_fixtures.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace {

class ViewHtml : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        html = new QByteArray(html_of(read_or_fail(view_data("mixed.xrd"))));
        page = new QString(QString::fromUtf8(*html));
    }
    static void TearDownTestSuite()
    {
        delete html;
        delete page;
        html = nullptr;
        page = nullptr;
    }
    static QByteArray *html;
    static QString *page;
};

QByteArray *ViewHtml::html = nullptr;
QString *ViewHtml::page = nullptr;

QString compact(const QJsonValue &value)
{
    return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
}

TEST_F(ViewHtml, MarkupKeepsTextsAsTextAndLabelsFromTheResultsFile)
{
    const char *present[] = {
        "<html lang=\"",
        "Content-Security-Policy\" content=\"default-src 'none';",
        "<h1>Billing &amp; Co</h1>",
        "<th>Projet</th><td>Billing &amp; Co</td>",
        "<span class=\"label\">Réussis</span><span class=\"value\" id=\"count-passed\">3</span>",
        "<div class=\"count v-failed\"><span class=\"label\">Échoués</span><span class=\"value\" id=\"count-failed\">2</span>",
        // One not-executed case is in the file.
        "<span class=\"label\">Not Executed</span><span class=\"value\" id=\"count-not-executed\">1</span>",
        // The filter is labelled with the report's own word for failed.
        "id=\"failed-only\"> <span>Échoués</span>",
    };
    for (const char *text : present)
        EXPECT_TRUE(page->contains(QString::fromUtf8(text))) << text;
    // Empty information rows are left out; no changed-only filter without a baseline.
    EXPECT_FALSE(page->contains(QStringLiteral("Espace de travail")));
    EXPECT_FALSE(page->contains(QStringLiteral("id=\"changed-only\"")));
    // The three data blocks and the page's script, nothing else; nothing fetched.
    EXPECT_EQ(page->count(QStringLiteral("<script")), 4);
    EXPECT_EQ(page->count(QStringLiteral("</script>")), 4);
    EXPECT_FALSE(page->contains(QStringLiteral("<img")));
    static const QRegularExpression fetching(QStringLiteral("(\\bsrc=\"|<link\\b|@import|url\\(|https?:)"));
    EXPECT_FALSE(fetching.match(*page).hasMatch()) << fetching.match(*page).captured(0).toStdString();
}

TEST_F(ViewHtml, DataCarriesTheTreeAndItsRows)
{
    const QJsonObject scopes = page_block(*html, "tree-scopes");
    const QJsonObject failed = page_block(*html, "tree-failed");
    const QJsonObject rest = page_block(*html, "tree-rest-0");
    const struct {
        QJsonObject block;
        const char *key;
        const char *json;
    } expected[] = {
        {scopes, "title", "[\"Pilote de test A\",\"Suite de tests S1\",\"Cas de test c1\",\"Cas de test c2\","
                          "\"Bouchon st1\",\"Cas de test c3\",\"Classe de test K\",\"Cas de test c4\","
                          "\"Pilote de test B\",\"Cas de test\"]"},
        {scopes, "parent", "[-1,0,1,1,3,1,0,6,-1,8]"},
        {scopes, "state", "[1,1,0,1,1,2,0,0,0,0]"},  // failed, passed, not executed
        {scopes, "kind", "[0,1,2,2,2,2,1,2,0,2]"},   // driver, group, counted
        {scopes, "rows", "[0,1,2,3,1,0,0,1,0,1]"},
        {scopes, "headers", "[[\"Expression vérifiée\",\"Statut\",\"Exécutés\",\"Échecs\",\"Succès\"],"
                            "[\"Expression vérifiée\",\"Statut\",\"entermethod()\",\"fail()\",\"exitmethod()\"]]"},
        // The failed scopes' rows: check, Print, bare check; each source path once.
        {failed, "kind", "[2,2,3,0,2]"},
        {failed, "line", "[3,20,22,21,30]"},
        {failed, "paths", "[[\"C:\\\\src\\\\Setup.java\",\"file:///C:/src/Setup.java\"],"
                          "[\"/work space/src/MixedTest.java\",\"file:///work%20space/src/MixedTest.java\"],"
                          "[\"\",\"\"]]"},
        {failed, "cellLists", "[[\"Échoué\",\"1\",\"1\",\"0\"],[\"Échoué\",\"3\",\"2\",\"1\"],[\"(x1)\"],"
                              "[\"Non exécuté\",\"1\",\"\",\"\"],[\"Échoué\",\"1\",\"2\",\"0\"]]"},
        {rest, "text", "[\"a <img src=x onerror=\\\"window.__pwned=1\\\"> b\","
                       "\"verifyLogMessage(\\\"</script><script>window.__pwned=2</script>\\\")\",\"k.ok()\",\"b.run()\"]"},
        {rest, "cells", "[0,1,0,0]"},
        {rest, "paths", "[[\"/work space/src/MixedTest.java\",\"file:///work%20space/src/MixedTest.java\"],"
                        "[\"src/MixedTest.java\",\"\"],[\"/work space/src/KTest.java\",\"file:///work%20space/src/KTest.java\"],"
                        "[\"/work space/src/BTest.java\",\"file:///work%20space/src/BTest.java\"]]"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(compact(e.block.value(QLatin1String(e.key))), QString::fromUtf8(e.json)) << e.key;
    EXPECT_EQ(compact(failed.value(QLatin1String("messageRows"))), QStringLiteral("[2]"));
    EXPECT_EQ(compact(failed.value(QLatin1String("messages"))), QStringLiteral("[[\"expected:<42> but was:<41>\"]]"));
    EXPECT_EQ(compact(rest.value(QLatin1String("messages"))), QStringLiteral("[[\"first &amp; message\",\"second message\"]]"));
    EXPECT_EQ(scopes.value(QLatin1String("labels")).toObject().value(QLatin1String("failed")).toString(),
              QStringLiteral("Échoués"));
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
