// Suites need their counts in the start tag, before their test cases, so the
// cases are first sorted into their suites (a counting sort over the scope
// indices: linear, and no per-suite containers), then each suite is written
// in one go. Names are built from at most three parts (driver, group, case),
// never from the whole path, so that a deep tree costs no more than a flat
// one.
#include "junit_writer.h"

#include <QHash>

namespace {

struct suite_plan {
    std::vector<int> group_of;     // per scope: its nearest non-counted scope
    std::vector<int> case_start;   // per scope: first slot in cases, +1 sentinel
    std::vector<int> cases;        // counted scopes, grouped by suite
    std::vector<bool> has_nested;  // per driver: a group below it has cases
    QHash<int, std::vector<int>> failed_children;  // failed scopes by parent
};

suite_plan plan_suites(const std::vector<view_scope> &scopes)
{
    const size_t n = scopes.size();
    suite_plan plan;
    plan.group_of.resize(n);
    plan.case_start.assign(n + 1, 0);
    plan.has_nested.assign(n, false);
    for (size_t i = 0; i < n; ++i) {
        const view_scope &scope = scopes[i];
        plan.group_of[i] = scope.kind == scope_kind::counted && scope.parent >= 0
                               ? plan.group_of[static_cast<size_t>(scope.parent)]
                               : static_cast<int>(i);
        if (scope.kind == scope_kind::counted && scope.parent >= 0) {
            const int group = plan.group_of[static_cast<size_t>(scope.parent)];
            ++plan.case_start[static_cast<size_t>(group) + 1];
            const view_scope &owner = scopes[static_cast<size_t>(group)];
            if (owner.kind != scope_kind::driver && owner.driver >= 0)
                plan.has_nested[static_cast<size_t>(owner.driver)] = true;
        }
        if (scope.state == scope_state::failed && scope.parent >= 0)
            plan.failed_children[scope.parent].push_back(static_cast<int>(i));
    }
    for (size_t i = 0; i < n; ++i)
        plan.case_start[i + 1] += plan.case_start[i];
    plan.cases.resize(static_cast<size_t>(plan.case_start[n]));
    std::vector<int> next(plan.case_start.begin(), plan.case_start.end() - 1);
    for (size_t i = 0; i < n; ++i) {
        const view_scope &scope = scopes[i];
        if (scope.kind != scope_kind::counted || scope.parent < 0)
            continue;
        const int group = plan.group_of[static_cast<size_t>(scope.parent)];
        plan.cases[static_cast<size_t>(next[static_cast<size_t>(group)]++)] = static_cast<int>(i);
    }
    return plan;
}

QString suite_name(const std::vector<view_scope> &scopes, int group)
{
    const view_scope &scope = scopes[static_cast<size_t>(group)];
    if (scope.kind == scope_kind::driver || scope.driver < 0)
        return display_name(scope);
    return display_name(scopes[static_cast<size_t>(scope.driver)]) + QLatin1Char('.') + display_name(scope);
}

// "file:line: text [Status; Executed 1, Failed 1, Passed 0]" with the
// headings the results file gives; a Print row ends with its "(xN)".
QString describe_row(const view_results &results, const view_scope &scope, const view_row &row)
{
    QString line;
    if (row.has_source && !row.source.path.isEmpty())
        line = source_label(row.source) + QStringLiteral(": ");
    line += row.text;
    if (row.kind == row_kind::print) {
        for (const QString &cell : row.cells)
            line += QLatin1Char(' ') + cell;
        return line;
    }
    if (row.cells.isEmpty())
        return line;
    const QStringList *header = scope.header >= 0 ? &results.headers[static_cast<size_t>(scope.header)] : nullptr;
    QStringList parts;
    for (qsizetype i = 1; i < row.cells.size(); ++i) {
        const qsizetype column = i + 1;
        if (header && column < header->size() && !header->at(column).isEmpty())
            parts.append(header->at(column) + QLatin1Char(' ') + row.cells.at(i));
        else
            parts.append(row.cells.at(i));
    }
    line += QStringLiteral(" [") + row.cells.at(0);
    if (!parts.isEmpty())
        line += QStringLiteral("; ") + parts.join(QStringLiteral(", "));
    return line + QLatin1Char(']');
}

// "file:line: text", or the text alone.
QString located_text(const view_row &row)
{
    if (row.has_source && !row.source.path.isEmpty())
        return source_label(row.source) + QStringLiteral(": ") + row.text;
    return row.text;
}

void append_row(const view_results &results, const view_scope &scope, const view_row &row, const QString &prefix,
                QStringList &lines)
{
    lines.append(prefix + describe_row(results, scope, row));
    for (const QString &message : row.messages)
        lines.append(QStringLiteral("    ") + message);
}

// The scope's failed rows into lines; the first one's located text becomes
// the message when there is none yet. False when the scope has none.
bool add_failed_rows(const view_results &results, const view_scope &scope, const QString &prefix, QString &message,
                     QStringList &lines)
{
    bool found = false;
    for (const view_row &row : scope.rows) {
        if (row.verdict != row_verdict::failed)
            continue;
        if (message.isEmpty())
            message = located_text(row);
        append_row(results, scope, row, prefix, lines);
        found = true;
    }
    return found;
}

// The scope's Print rows that did not fail (the failed ones are among the
// failed checks), with their messages.
QStringList print_output(const view_results &results, const view_scope &scope, const QString &prefix)
{
    QStringList lines;
    for (const view_row &row : scope.rows) {
        if (row.kind == row_kind::print && row.verdict != row_verdict::failed)
            append_row(results, scope, row, prefix, lines);
    }
    return lines;
}

QString title_of(const view_scope &scope)
{
    return scope.title.isEmpty() ? display_name(scope) : scope.title;
}

void write_lines(text_sink &sink, const QStringList &lines)
{
    for (const QString &line : lines) {
        sink_text(sink, line);
        sink_literal(sink, "\n");
    }
}

void write_failure(const view_results &results, const suite_plan &plan, const view_scope &scope,
                   const junit_options &options, text_sink &sink)
{
    QString message;
    QStringList lines;
    if (!add_failed_rows(results, scope, QString(), message, lines)) {
        // The failure lies in a scope below (a Stub inside a Test Case).
        const int self = static_cast<int>(&scope - results.scopes.data());
        const auto found = plan.failed_children.constFind(self);
        if (found != plan.failed_children.constEnd()) {
            for (int child : found.value()) {
                const view_scope &below = results.scopes[static_cast<size_t>(child)];
                const QString title = title_of(below);
                if (!add_failed_rows(results, below, title + QStringLiteral(": "), message, lines))
                    lines.append(title);
                if (message.isEmpty())
                    message = title;
            }
        }
    }
    if (message.isEmpty())
        message = title_of(scope);
    if (lines.isEmpty())
        lines.append(message);
    if (!options.case_output)
        lines += print_output(results, scope, QString());
    sink_literal(sink, "      <failure type=\"check\" message=\"");
    sink_attribute(sink, message);
    sink_literal(sink, "\">");
    write_lines(sink, lines);
    sink_literal(sink, "</failure>\n");
}

void write_case_output(const QStringList &lines, text_sink &sink)
{
    if (lines.isEmpty())
        return;
    sink_literal(sink, "      <system-out>");
    write_lines(sink, lines);
    sink_literal(sink, "</system-out>\n");
}

void write_testcase(const view_results &results, const suite_plan &plan, const QString &suite_class, int index,
                    const junit_options &options, text_sink &sink)
{
    const view_scope &scope = results.scopes[static_cast<size_t>(index)];
    QString classname = suite_class;
    const view_scope &parent = results.scopes[static_cast<size_t>(scope.parent)];
    if (parent.kind == scope_kind::counted)
        classname += QLatin1Char('.') + display_name(parent);
    sink_literal(sink, "    <testcase name=\"");
    sink_attribute(sink, display_name(scope));
    sink_literal(sink, "\" classname=\"");
    sink_attribute(sink, classname);
    sink_literal(sink, "\" time=\"0\"");
    const bool passed = scope.state == scope_state::passed;
    const QStringList output = options.case_output && (!passed || options.passed_output)
                                   ? print_output(results, scope, QString())
                                   : QStringList();
    if (passed && output.isEmpty()) {
        sink_literal(sink, "/>\n");
        return;
    }
    sink_literal(sink, ">\n");
    if (scope.state == scope_state::failed)
        write_failure(results, plan, scope, options, sink);
    else if (!passed)
        sink_literal(sink, "      <skipped message=\"not executed\"/>\n");
    write_case_output(output, sink);
    sink_literal(sink, "    </testcase>\n");
}

void write_properties(const view_results &results, text_sink &sink)
{
    sink_literal(sink, "    <properties>\n");
    for (const view_info_row &row : results.info) {
        if (row.label.simplified().isEmpty() || row.value.trimmed().isEmpty())
            continue;
        sink_literal(sink, "      <property name=\"");
        sink_attribute(sink, row.label.simplified());
        sink_literal(sink, "\" value=\"");
        sink_attribute(sink, row.value);
        sink_literal(sink, "\"/>\n");
    }
    sink_literal(sink, "    </properties>\n");
}

// The group's own checks and Prints; then, when asked for and not written
// per case, the Prints of its cases that did not fail.
void write_system_out(const view_results &results, const suite_plan &plan, int group, const junit_options &options,
                      text_sink &sink)
{
    QStringList lines;
    const view_scope &owner = results.scopes[static_cast<size_t>(group)];
    for (const view_row &row : owner.rows)
        append_row(results, owner, row, QString(), lines);
    if (options.passed_output && !options.case_output) {
        for (int slot = plan.case_start[static_cast<size_t>(group)];
             slot < plan.case_start[static_cast<size_t>(group) + 1]; ++slot) {
            const view_scope &scope = results.scopes[static_cast<size_t>(plan.cases[static_cast<size_t>(slot)])];
            if (scope.state != scope_state::failed)
                lines += print_output(results, scope, display_name(scope) + QStringLiteral(": "));
        }
    }
    if (lines.isEmpty()) {
        sink_literal(sink, "    <system-out/>\n");
        return;
    }
    sink_literal(sink, "    <system-out>");
    write_lines(sink, lines);
    sink_literal(sink, "</system-out>\n");
}

void write_suite(const view_results &results, const suite_plan &plan, int group, int id, const QString &timestamp,
                 const junit_options &options, text_sink &sink)
{
    const int first = plan.case_start[static_cast<size_t>(group)];
    const int last = plan.case_start[static_cast<size_t>(group) + 1];
    long long failures = 0;
    long long skipped = 0;
    for (int slot = first; slot < last; ++slot) {
        const scope_state state = results.scopes[static_cast<size_t>(plan.cases[static_cast<size_t>(slot)])].state;
        if (state == scope_state::failed)
            ++failures;
        else if (state == scope_state::not_executed)
            ++skipped;
    }
    const QString name = suite_name(results.scopes, group);
    const view_scope &owner = results.scopes[static_cast<size_t>(group)];
    const view_scope &driver = results.scopes[static_cast<size_t>(owner.driver >= 0 ? owner.driver : group)];
    const QString package = java_package(driver.source_path);
    sink_literal(sink, "  <testsuite name=\"");
    sink_attribute(sink, name);
    sink_literal(sink, "\" package=\"");
    sink_attribute(sink, package.isEmpty() ? display_name(driver) : package);
    sink_literal(sink, "\" id=\"");
    sink_number(sink, id);
    sink_literal(sink, "\" timestamp=\"");
    sink_attribute(sink, timestamp);
    sink_literal(sink, "\" hostname=\"localhost\" tests=\"");
    sink_number(sink, last - first);
    sink_literal(sink, "\" failures=\"");
    sink_number(sink, failures);
    sink_literal(sink, "\" errors=\"0\" skipped=\"");
    sink_number(sink, skipped);
    sink_literal(sink, "\" time=\"0\">\n");
    write_properties(results, sink);
    const QString classname = package.isEmpty() ? name : package + QLatin1Char('.') + name;
    for (int slot = first; slot < last; ++slot)
        write_testcase(results, plan, classname, plan.cases[static_cast<size_t>(slot)], options, sink);
    write_system_out(results, plan, group, options, sink);
    sink_literal(sink, "    <system-err/>\n  </testsuite>\n");
}

}  // namespace

void write_junit(const view_results &results, text_sink &sink, const junit_options &options)
{
    const suite_plan plan = plan_suites(results.scopes);
    QString timestamp = generation_timestamp(results);
    if (timestamp.isEmpty())
        timestamp = QStringLiteral("1970-01-01T00:00:00");
    sink_literal(sink, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n");
    int id = 0;
    for (size_t i = 0; i < results.scopes.size(); ++i) {
        const view_scope &scope = results.scopes[i];
        if (scope.kind == scope_kind::counted)
            continue;
        const bool has_cases = plan.case_start[i + 1] > plan.case_start[i];
        const bool lone_driver = scope.kind == scope_kind::driver && !plan.has_nested[i];
        if (has_cases || lone_driver)
            write_suite(results, plan, static_cast<int>(i), id++, timestamp, options, sink);
    }
    sink_literal(sink, "</testsuites>\n");
}
