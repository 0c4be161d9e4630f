// Parts without a value are left out of a line: a check without a source
// starts with its case, one without messages ends with its text.
#include "summary_writer.h"

#include "baseline.h"

#include <QCoreApplication>

namespace {

QString count_part(const view_count &count)
{
    return count.label + QStringLiteral(": ") + QString::number(count.count);
}

QString failed_check_line(const view_scope &scope, const view_row &row)
{
    QString line;
    if (row.has_source && !row.source.path.isEmpty())
        line = source_label(row.source) + QStringLiteral(": ");
    line += display_name(scope) + QStringLiteral(": ") + row.text.simplified();
    if (!row.messages.isEmpty())
        line += QStringLiteral(": ") + row.messages.first().simplified();
    return line;
}

}  // namespace

QString summary_text(const view_results &results)
{
    QStringList counts{count_part(results.passed), count_part(results.failed), count_part(results.total)};
    if (!results.not_executed.label.isEmpty())
        counts.append(count_part(results.not_executed));
    QStringList lines{counts.join(QStringLiteral(", "))};
    for (const view_scope &scope : results.scopes) {
        for (const view_row &row : scope.rows) {
            if (row.verdict == row_verdict::failed)
                lines.append(failed_check_line(scope, row));
        }
    }
    if (!results.baseline.isEmpty()) {
        QStringList tally;
        for (case_change change : shown_changes)
            tally.append(change_label(change) + QLatin1Char(' ') + QString::number(change_count(results, change)));
        lines.append(QCoreApplication::translate("tallyview", "Compared with %1: %2")
                         .arg(results.baseline, tally.join(QStringLiteral(", "))));
        for (const view_change &entry : results.changes)
            lines.append(change_label(entry.change) + QStringLiteral(": ") + entry.path);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
