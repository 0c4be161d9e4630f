// Small interpretations shared by the readers and the writers: styles and
// states, link targets, Java packages, names and the generation time.
#include "results_model.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QUrl>

row_verdict verdict_of_style(const QString &style)
{
    if (style == QLatin1String("Array Failed"))
        return row_verdict::failed;
    if (style == QLatin1String("Array Passed"))
        return row_verdict::passed;
    return row_verdict::plain;
}

scope_state state_of_word(const QString &word)
{
    if (word == QLatin1String("ok"))
        return scope_state::passed;
    if (word == QLatin1String("ko"))
        return scope_state::failed;
    return scope_state::not_executed;
}

source_ref parse_link_target(const QString &target)
{
    source_ref source;
    static const QLatin1String marker(" line ");
    const qsizetype at = target.lastIndexOf(marker);
    if (at >= 0) {
        bool ok = false;
        const int line = target.mid(at + marker.size()).toInt(&ok);
        if (ok) {
            source.path = target.left(at);
            source.line = line;
            return source;
        }
    }
    source.path = target;
    return source;
}

bool is_absolute_source_path(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return true;
    return path.size() >= 3 && path.at(0).isLetter() && path.at(0).unicode() < 128
           && path.at(1) == QLatin1Char(':')
           && (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/'));
}

QString java_package(const QString &path)
{
    QStringList folders = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    folders.removeLast();  // the file name
    qsizetype start = folders.lastIndexOf(QStringLiteral("java"));
    if (start < 0) {
        for (qsizetype i = folders.size() - 1; i > 0 && start < 0; --i) {
            if (folders.at(i) == QLatin1String("test") && folders.at(i - 1) == QLatin1String("src"))
                start = i;
        }
    }
    if (start < 0)
        return QString();
    folders = folders.mid(start + 1);
    folders.removeAll(QString());
    return folders.join(QLatin1Char('.'));
}

QString display_name(const view_scope &scope)
{
    QString name = scope.name.simplified();
    if (name.isEmpty())
        name = scope.type_name.simplified();
    return name.isEmpty() ? QStringLiteral("-") : name;
}

QString source_label(const source_ref &source)
{
    if (source.line < 0)
        return source.path;
    return source.path + QLatin1Char(':') + QString::number(source.line);
}

QString source_url(const source_ref &source)
{
    if (!is_absolute_source_path(source.path))
        return QString();
    if (source.path.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(source.path).toString(QUrl::FullyEncoded);
    // A drive path from another system: file:///C:/dir/File.java
    QString forward = source.path;
    forward.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QLatin1Char('/') + forward);
    return url.toString(QUrl::FullyEncoded);
}

QString generation_timestamp(const view_results &results)
{
    // asctime's layout once white space is simplified: "Sun Dec 6 01:50:02 2026".
    static const QRegularExpression layout(
        QStringLiteral("^[A-Z][a-z]{2} [A-Z][a-z]{2} \\d{1,2} \\d{2}:\\d{2}:\\d{2} \\d{4}$"));
    for (const view_info_row &row : results.info) {
        if (!layout.match(row.value).hasMatch())
            continue;
        const QDateTime time = QLocale::c().toDateTime(row.value, QStringLiteral("ddd MMM d hh:mm:ss yyyy"));
        if (time.isValid())
            return time.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
    }
    return QString();
}
