// The page is written top down: the head with the style, the report
// information and the counts as markup (they show at once, before any script
// runs), the comparison with a baseline, the controls, then the packed tree
// data and the script that renders it (page/page.js, page/page.css).
//
// Every label shown comes from the model (titles, table headings, status
// words, summary labels: the results file's own, or tallyrpt's catalogues
// when read from the traces); the few words of the page's own controls and
// of the comparison with a baseline are looked up under the context
// "tallyview".
#include "html_writer.h"

#include "baseline.h"
#include "html_assets.h"
#include "page_data.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

// The changed cases listed at the top; the "changed only" filter shows all.
const int LISTED_CHANGES = 200;

// CSS class of a change.
const char *change_class(case_change change)
{
    switch (change) {
    case case_change::newly_failing: return "c-newly-failing";
    case case_change::fixed: return "c-fixed";
    case case_change::still_failing: return "c-still-failing";
    case case_change::added: return "c-new";
    case case_change::removed: return "c-removed";
    default: return "";
    }
}

const char *verdict_class(row_verdict verdict)
{
    switch (verdict) {
    case row_verdict::passed: return "passed";
    case row_verdict::failed: return "failed";
    default: return "plain";
    }
}

// The project's name when the studio header gave one, else the report's
// information title; then the results file or dynamic trace.
QString page_heading(const view_results &results)
{
    return results.project.isEmpty() ? results.info_title : results.project;
}

QString page_title(const view_results &results)
{
    const QString heading = page_heading(results);
    if (results.document_title.isEmpty())
        return heading;
    if (heading.isEmpty())
        return results.document_title;
    return heading + QStringLiteral(" \u2014 ") + results.document_title;
}

void write_head(const view_results &results, text_sink &sink)
{
    sink_literal(sink, "<!DOCTYPE html>\n<html lang=\"");
    sink_attribute(sink, results.language);
    sink_literal(sink, "\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta name=\"color-scheme\" content=\"light dark\">\n"
                       "<meta name=\"generator\" content=\"tallyview\">\n<title>");
    sink_text(sink, page_title(results));
    sink_literal(sink, "</title>\n<style>");
    sink_literal(sink, HTML_STYLE);
    sink_literal(sink, "</style>\n</head>\n<body>\n");
}

void write_count(text_sink &sink, const view_count &count, const char *id)
{
    sink_literal(sink, "<div class=\"count v-");
    sink_literal(sink, verdict_class(count.verdict));
    sink_literal(sink, "\"><span class=\"label\">");
    sink_text(sink, count.label);
    sink_literal(sink, "</span><span class=\"value\" id=\"");
    sink_literal(sink, id);
    sink_literal(sink, "\">");
    sink_number(sink, count.count);
    sink_literal(sink, "</span></div>\n");
}

void write_bar_part(text_sink &sink, const char *css_class, long long part, long long whole)
{
    if (part <= 0 || whole <= 0)
        return;
    const double percent = 100.0 * static_cast<double>(std::min(part, whole)) / static_cast<double>(whole);
    sink_literal(sink, "<span class=\"");
    sink_literal(sink, css_class);
    sink_literal(sink, "\" style=\"width:");
    sink_bytes(sink, QByteArray::number(percent, 'f', 3));
    sink_literal(sink, "%\"></span>");
}

// Read from the traces, the not-executed count is the report's own; a
// results file leaves most such cases out, so the count of those it kept is
// shown only when there are some.
view_count not_executed_count(const view_results &results)
{
    if (!results.not_executed.label.isEmpty())
        return results.not_executed;
    view_count count{QCoreApplication::translate("tallyview", "Not Executed"), 0, row_verdict::plain};
    for (const view_scope &scope : results.scopes) {
        if (scope.kind == scope_kind::counted && scope.state == scope_state::not_executed)
            ++count.count;
    }
    return count;
}

void write_header(const view_results &results, text_sink &sink)
{
    sink_literal(sink, "<header>\n<h1>");
    sink_text(sink, page_heading(results));
    sink_literal(sink, "</h1>\n");
    if (!results.identification.isEmpty()) {
        sink_literal(sink, "<p class=\"ident\">");
        for (qsizetype i = 0; i < results.identification.size(); ++i) {
            if (i > 0)
                sink_literal(sink, "<br>");
            sink_text(sink, results.identification.at(i));
        }
        sink_literal(sink, "</p>\n");
    }
    // Rows the report leaves empty (no studio header) are not shown.
    sink_literal(sink, "<table class=\"info\">\n");
    for (const view_info_row &row : results.info) {
        if (row.value.trimmed().isEmpty())
            continue;
        sink_literal(sink, "<tr><th>");
        sink_text(sink, row.label);
        sink_literal(sink, "</th><td>");
        sink_text(sink, row.value);
        sink_literal(sink, "</td></tr>\n");
    }
    sink_literal(sink, "</table>\n<section class=\"summary\">\n<div class=\"counts\">\n");
    write_count(sink, results.passed, "count-passed");
    write_count(sink, results.failed, "count-failed");
    write_count(sink, results.total, "count-total");
    const view_count not_executed = not_executed_count(results);
    if (!results.not_executed.label.isEmpty() || not_executed.count > 0)
        write_count(sink, not_executed, "count-not-executed");
    sink_literal(sink, "</div>\n<div class=\"bar\" role=\"img\" aria-label=\"");
    sink_attribute(sink, results.passed.label + QLatin1Char(' ') + QString::number(results.passed.count)
                             + QStringLiteral(", ") + results.failed.label + QLatin1Char(' ')
                             + QString::number(results.failed.count));
    sink_literal(sink, "\">");
    const long long whole = results.passed.count + results.failed.count;
    write_bar_part(sink, "bar-passed", results.passed.count, whole);
    write_bar_part(sink, "bar-failed", results.failed.count, whole);
    sink_literal(sink, "</div>\n</section>\n");
}

// The comparison with a baseline: how many cases changed in each way, then
// the first changed cases with their marks, linked to their sections.
void write_changes(const view_results &results, text_sink &sink)
{
    if (results.baseline.isEmpty())
        return;
    sink_literal(sink, "<section class=\"changes\" id=\"changes\">\n<h2>");
    sink_text(sink, QCoreApplication::translate("tallyview", "Compared with %1").arg(results.baseline));
    sink_literal(sink, "</h2>\n<p class=\"change-counts\">");
    for (case_change change : shown_changes) {
        sink_literal(sink, "<span class=\"change ");
        sink_literal(sink, change_class(change));
        sink_literal(sink, "\">");
        sink_text(sink, change_label(change));
        sink_literal(sink, " <b>");
        sink_number(sink, change_count(results, change));
        sink_literal(sink, "</b></span>");
    }
    sink_literal(sink, "</p>\n<ul class=\"change-list\">\n");
    int listed = 0;
    for (const view_change &entry : results.changes) {
        if (listed++ == LISTED_CHANGES) {
            sink_literal(sink, "<li class=\"more\">");
            sink_text(sink, QCoreApplication::translate("tallyview", "%1 more: see \"Changed only\"")
                                .arg(results.changes.size() - LISTED_CHANGES));
            sink_literal(sink, "</li>\n");
            break;
        }
        sink_literal(sink, "<li><span class=\"change ");
        sink_literal(sink, change_class(entry.change));
        sink_literal(sink, "\">");
        sink_text(sink, change_label(entry.change));
        sink_literal(sink, "</span> ");
        if (entry.scope >= 0) {
            sink_literal(sink, "<a href=\"#case=");
            sink_number(sink, entry.scope);
            sink_literal(sink, "\">");
            sink_text(sink, entry.path);
            sink_literal(sink, "</a>");
        } else {
            sink_text(sink, entry.path);
        }
        sink_literal(sink, "</li>\n");
    }
    sink_literal(sink, "</ul>\n</section>\n");
}

void write_controls(const view_results &results, text_sink &sink)
{
    sink_literal(sink, "<div class=\"controls\">\n<label class=\"filter\"><input type=\"checkbox\" "
                       "id=\"failed-only\"> <span>");
    sink_text(sink, results.failed.label);
    sink_literal(sink, "</span></label>\n<label class=\"search\"><svg viewBox=\"0 0 24 24\" aria-hidden=\"true\">"
                       "<circle cx=\"10\" cy=\"10\" r=\"6\"/><path d=\"M15 15l6 6\"/></svg>"
                       "<input type=\"search\" id=\"search\" aria-label=\"");
    sink_attribute(sink, QCoreApplication::translate("tallyview", "Search"));
    sink_literal(sink, "\"></label>\n<span id=\"match-count\" aria-live=\"polite\"></span>\n");
    if (!results.baseline.isEmpty()) {
        sink_literal(sink, "<label class=\"filter changed\"><input type=\"checkbox\" id=\"changed-only\"> <span>");
        sink_text(sink, QCoreApplication::translate("tallyview", "Changed only"));
        sink_literal(sink, "</span></label>\n");
    }
    sink_literal(sink, "<button type=\"button\" id=\"expand-all\" title=\"");
    sink_attribute(sink, QCoreApplication::translate("tallyview", "Expand all"));
    sink_literal(sink, "\">+</button><button type=\"button\" id=\"collapse-all\" title=\"");
    sink_attribute(sink, QCoreApplication::translate("tallyview", "Collapse all"));
    sink_literal(sink, "\">\xE2\x88\x92</button>\n</div>\n");
}

}  // namespace

void write_html(const view_results &results, text_sink &sink)
{
    write_head(results, sink);
    write_header(results, sink);
    write_changes(results, sink);
    sink_literal(sink, "</header>\n");
    write_controls(results, sink);
    sink_literal(sink, "<main id=\"tree\"><noscript>");
    sink_text(sink, QCoreApplication::translate("tallyview", "The test tree needs JavaScript."));
    sink_literal(sink, "</noscript></main>\n");
    write_page_data(results, sink);
    sink_literal(sink, "<script>");
    sink_literal(sink, HTML_SCRIPT);
    sink_literal(sink, "</script>\n</body>\n</html>\n");
}
