// The page is written in one pass over the scopes in document order. Each
// scope opens a <details> that stays open in the markup until a scope that is
// not its descendant comes; an explicit stack of open scopes replaces
// recursion, so the nesting depth of the tree costs no call stack.
//
// Every label shown comes from the model (titles, table headings, status
// words, summary labels: the results file's own, or tallyrpt's catalogues
// when read from the traces); the few words of the page's own controls and
// of the comparison with a baseline are looked up under the context
// "tallyview".
#include "html_writer.h"

#include "baseline.h"
#include "html_assets.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

struct tally {
    long long passed = 0;
    long long failed = 0;
    long long not_executed = 0;
};

const char *state_class(scope_state state)
{
    switch (state) {
    case scope_state::passed: return "ok";
    case scope_state::failed: return "ko";
    default: return "ne";
    }
}

const char *kind_class(scope_kind kind)
{
    switch (kind) {
    case scope_kind::driver: return "driver";
    case scope_kind::counted: return "counted";
    default: return "group";
    }
}

// CSS class of a change, also the word the script filters on.
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

// The counted scopes (cases, procs, stubs) at or below each scope. Children
// follow their parent in the vector, so one backward pass adds them up.
std::vector<tally> count_below(const std::vector<view_scope> &scopes)
{
    std::vector<tally> tallies(scopes.size());
    for (size_t i = scopes.size(); i-- > 0;) {
        const view_scope &scope = scopes[i];
        if (scope.kind == scope_kind::counted) {
            if (scope.state == scope_state::passed)
                ++tallies[i].passed;
            else if (scope.state == scope_state::failed)
                ++tallies[i].failed;
            else
                ++tallies[i].not_executed;
        }
        if (scope.parent >= 0) {
            tally &up = tallies[static_cast<size_t>(scope.parent)];
            up.passed += tallies[i].passed;
            up.failed += tallies[i].failed;
            up.not_executed += tallies[i].not_executed;
        }
    }
    return tallies;
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
    sink_literal(sink, "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
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
    if (!results.not_executed.label.isEmpty())
        write_count(sink, results.not_executed, "count-not-executed");
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
// each changed case with its mark, linked to its section.
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
    for (const view_change &entry : results.changes) {
        sink_literal(sink, "<li><span class=\"change ");
        sink_literal(sink, change_class(entry.change));
        sink_literal(sink, "\">");
        sink_text(sink, change_label(entry.change));
        sink_literal(sink, "</span> ");
        if (entry.scope >= 0) {
            sink_literal(sink, "<a href=\"#s");
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
    sink_literal(sink, "\"></label>\n");
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

void write_source(text_sink &sink, const view_row &row)
{
    if (!row.has_source)
        return;
    const QString url = source_url(row.source);
    if (url.isEmpty()) {
        sink_literal(sink, "<span class=\"src\">");
        sink_text(sink, source_label(row.source));
        sink_literal(sink, "</span>");
        return;
    }
    sink_literal(sink, "<a class=\"src\" href=\"");
    sink_attribute(sink, url);
    sink_literal(sink, "\">");
    sink_text(sink, source_label(row.source));
    sink_literal(sink, "</a>");
}

void write_messages(text_sink &sink, const QStringList &messages)
{
    if (messages.isEmpty())
        return;
    sink_literal(sink, "<ul class=\"messages\">");
    for (const QString &message : messages) {
        sink_literal(sink, "<li>");
        sink_text(sink, message);
        sink_literal(sink, "</li>");
    }
    sink_literal(sink, "</ul>");
}

void write_print_row(text_sink &sink, const view_row &row, int columns)
{
    sink_literal(sink, row.verdict == row_verdict::failed ? "<tr class=\"row print failed\"><td colspan=\""
                                                          : "<tr class=\"row print\"><td colspan=\"");
    sink_number(sink, columns);
    sink_literal(sink, "\"><span class=\"arrow\">\xE2\x96\xB8</span><span class=\"text\">");
    sink_text(sink, row.text);
    sink_literal(sink, "</span>");
    write_source(sink, row);
    for (const QString &cell : row.cells) {
        sink_literal(sink, "<span class=\"times\">");
        sink_text(sink, cell);
        sink_literal(sink, "</span>");
    }
    write_messages(sink, row.messages);
    sink_literal(sink, "</td></tr>\n");
}

void write_check_row(text_sink &sink, const view_row &row, int columns)
{
    sink_literal(sink, "<tr class=\"row ");
    sink_literal(sink, verdict_class(row.verdict));
    sink_literal(sink, "\"><td class=\"expr\"><span class=\"text\">");
    sink_text(sink, row.text);
    sink_literal(sink, "</span>");
    write_source(sink, row);
    write_messages(sink, row.messages);
    sink_literal(sink, "</td>");
    for (qsizetype i = 0; i < row.cells.size(); ++i) {
        // The status word stays left; the counts after it align right.
        sink_literal(sink, i == 0 ? "<td>" : "<td class=\"count-cell\">");
        sink_text(sink, row.cells.at(i));
        sink_literal(sink, "</td>");
    }
    for (int i = static_cast<int>(row.cells.size()) + 1; i < columns; ++i)
        sink_literal(sink, "<td></td>");
    sink_literal(sink, "</tr>\n");
}

void write_table(const view_results &results, const view_scope &scope, text_sink &sink)
{
    if (scope.rows.empty())
        return;
    const QStringList *header = scope.header >= 0 ? &results.headers[static_cast<size_t>(scope.header)] : nullptr;
    int columns = header ? static_cast<int>(header->size()) : 1;
    for (const view_row &row : scope.rows) {
        if (row.kind == row_kind::check)
            columns = std::max(columns, static_cast<int>(row.cells.size()) + 1);
    }
    sink_literal(sink, "<table class=\"checks\">\n");
    if (header) {
        sink_literal(sink, "<thead><tr>");
        for (const QString &label : *header) {
            sink_literal(sink, "<th>");
            sink_text(sink, label);
            sink_literal(sink, "</th>");
        }
        sink_literal(sink, "</tr></thead>\n");
    }
    sink_literal(sink, "<tbody>\n");
    for (const view_row &row : scope.rows) {
        if (row.kind == row_kind::print)
            write_print_row(sink, row, columns);
        else
            write_check_row(sink, row, columns);
    }
    sink_literal(sink, "</tbody>\n</table>\n");
}

void write_tally(text_sink &sink, const tally &counts)
{
    sink_literal(sink, "<span class=\"tally\">");
    const struct {
        const char *css_class;
        long long count;
    } parts[] = {{"t-ok", counts.passed}, {"t-ko", counts.failed}, {"t-ne", counts.not_executed}};
    for (const auto &part : parts) {
        if (part.count == 0)
            continue;
        sink_literal(sink, "<span class=\"");
        sink_literal(sink, part.css_class);
        sink_literal(sink, "\">");
        sink_number(sink, part.count);
        sink_literal(sink, "</span>");
    }
    sink_literal(sink, "</span>");
}

void open_scope(const view_results &results, int index, const tally &counts, text_sink &sink)
{
    const view_scope &scope = results.scopes[static_cast<size_t>(index)];
    const bool changed = scope.change != case_change::none;
    sink_literal(sink, "<details class=\"scope ");
    sink_literal(sink, state_class(scope.state));
    sink_literal(sink, " ");
    sink_literal(sink, kind_class(scope.kind));
    if (changed) {
        sink_literal(sink, " changed\" id=\"s");
        sink_number(sink, index);
    }
    sink_literal(sink, scope.state == scope_state::failed ? "\" open>" : "\">");
    sink_literal(sink, "<summary><span class=\"mark\"></span><span class=\"title\">");
    const QString title = scope.title.isEmpty() ? scope.type_name + QLatin1Char(' ') + scope.name : scope.title;
    sink_text(sink, title.trimmed());
    sink_literal(sink, "</span>");
    if (changed) {
        sink_literal(sink, "<span class=\"change ");
        sink_literal(sink, change_class(scope.change));
        sink_literal(sink, "\">");
        sink_text(sink, change_label(scope.change));
        sink_literal(sink, "</span>");
    }
    if (scope.kind != scope_kind::counted)
        write_tally(sink, counts);
    sink_literal(sink, "</summary>\n<div class=\"content\">\n");
    write_table(results, scope, sink);
}

void write_tree(const view_results &results, text_sink &sink)
{
    const std::vector<tally> tallies = count_below(results.scopes);
    sink_literal(sink, "<main id=\"tree\">\n");
    std::vector<int> open;
    for (size_t i = 0; i < results.scopes.size(); ++i) {
        const view_scope &scope = results.scopes[i];
        while (!open.empty() && open.back() != scope.parent) {
            sink_literal(sink, "</div></details>\n");
            open.pop_back();
        }
        open_scope(results, static_cast<int>(i), tallies[i], sink);
        open.push_back(static_cast<int>(i));
    }
    for (size_t i = 0; i < open.size(); ++i)
        sink_literal(sink, "</div></details>\n");
    sink_literal(sink, "</main>\n");
}

}  // namespace

void write_html(const view_results &results, text_sink &sink)
{
    write_head(results, sink);
    write_header(results, sink);
    write_changes(results, sink);
    sink_literal(sink, "</header>\n");
    write_controls(results, sink);
    write_tree(results, sink);
    sink_literal(sink, "<script>");
    sink_literal(sink, HTML_SCRIPT);
    sink_literal(sink, "</script>\n</body>\n</html>\n");
}
