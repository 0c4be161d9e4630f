// The tree after the roll-up, turned into scopes and rows the way tallyrpt's
// node sections turn it into markup (same row forms, same labels), with
// three differences: a check row carries its own messages, a failed Print is
// a failed row, and scopes that no executed check reached are kept (grey)
// instead of hidden. The walk keeps an explicit stack, so a deep tree costs
// no call stack.
#include "trace_model.h"

#include "diagnostics/files.h"
#include "driver/catalogues.h"
#include "diagnostics/identity.h"
#include "project/header.h"
#include "readers/jtdffile.h"
#include "readers/tsffile.h"
#include "report/jresfile.h"
#include "report/vocabulary.h"
#include "tree/rollup.h"
#include "tree/tree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <vector>

namespace {

// A check that prints in a loop may hold a message per pass; past this many
// the row says how many more there were.
const int MESSAGES_PER_ROW = 100;

QString local_text(const char *text)
{
    return QString::fromLocal8Bit(text ? text : "").simplified();
}

bool is_reportable(const TestNode *node)
{
    return node->status != VERDICT_NOT_EXECUTED && node->status != VERDICT_NONE;
}

bool is_counted(int type)
{
    return type == NODE_TEST_CASE || type == NODE_PROC || type == NODE_STUB;
}

// Cell lists and source paths repeat from row to row: each is kept once and
// shared (Qt's implicit sharing), which holds a large run's memory down.
struct model_builder {
    view_results &results;
    int check_header = -1;
    int stub_header = -1;
    QHash<int, QString> source_paths;  // by file number
    QSet<QStringList> cell_lists;
    QSet<QString> messages;
};

int add_header(view_results &results, QString (*heading)(int))
{
    QStringList labels;
    for (int column = 0; column < 5; ++column)
        labels.append(heading(column));
    results.headers.push_back(labels);
    return static_cast<int>(results.headers.size()) - 1;
}

struct message_list {
    QStringList *messages;
    const TestNode *node;
    QSet<QString> *shared;  // a program prints the same lines again and again
    int left_out = 0;
};

// A "NO" record without a quoted text gives its own identifier as the text.
// A Print shows it, as in the results file; a check has nothing to say then.
bool is_bare_identifier(const TestNode *node, const QString &text)
{
    bool number = false;
    return node->type != NODE_PRINT && text.toUInt(&number, 16) == node->identifier && number;
}

void take_message(const char *text, size_t length, void *context)
{
    message_list &list = *static_cast<message_list *>(context);
    const QString message = QString::fromLocal8Bit(text, static_cast<qsizetype>(length)).simplified();
    if (is_bare_identifier(list.node, message))
        return;
    if (list.messages->size() < MESSAGES_PER_ROW)
        list.messages->append(*list.shared->insert(message));
    else
        ++list.left_out;
}

QStringList messages_of(const TestNode *node, QSet<QString> &shared)
{
    QStringList messages;
    message_list list{&messages, node, &shared};
    for_each_message(node, take_message, &list);
    if (list.left_out > 0)
        messages.append(QCoreApplication::translate("tallyview", "(%1 more messages)").arg(list.left_out));
    return messages;
}

// One row in the form tallyrpt's node sections give it: print, stub, bare
// check or counted check.
view_row row_of(model_builder &builder, const TestNode *check, bool under_stub)
{
    const CheckCounters counters = check->extension ? *check->extension : CheckCounters{0, 0, 0, 0};
    view_row row;
    row.text = local_text(check->text);
    row.has_source = true;
    auto path = builder.source_paths.find(check->file_number);
    if (path == builder.source_paths.end())
        path = builder.source_paths.insert(check->file_number, local_text(file_name_view(check->file_number)));
    row.source.path = path.value();
    row.source.line = check->line;
    row.messages = messages_of(check, builder.messages);
    if (check->type == NODE_PRINT) {
        row.kind = row_kind::print;
        row.verdict = check->status == VERDICT_FAILED ? row_verdict::failed : row_verdict::plain;
        row.cells.append(QStringLiteral("(x%1)").arg(counters.total_count));
    } else if (under_stub) {
        const bool failed = counters.fail_count > 0;
        row.verdict = failed ? row_verdict::failed : row_verdict::plain;
        row.cells = {failed ? status_label(VERDICT_FAILED) : stub_executed_label(),
                     QString::number(counters.entry_count), QString::number(counters.fail_count),
                     QString::number(counters.pass_count)};
    } else if (counters.fail_count == 0 && counters.pass_count == 0) {
        if (counters.total_count != 0)
            row.cells = {status_label(check->status), QString::number(counters.total_count), QString(), QString()};
        else
            row.cells = {QString(), QString(), QString(), QString()};
    } else {
        const int style = status_style(check->status);
        row.verdict = style == 2 ? row_verdict::failed : style == 3 ? row_verdict::passed : row_verdict::plain;
        row.cells = {status_label(check->status), QString::number(counters.total_count),
                     QString::number(counters.fail_count), QString::number(counters.pass_count)};
    }
    row.cells = *builder.cell_lists.insert(row.cells);
    return row;
}

int add_scope(model_builder &builder, const TestNode *node, int parent)
{
    std::vector<view_scope> &scopes = builder.results.scopes;
    const int index = static_cast<int>(scopes.size());
    view_scope scope;
    scope.name = local_text(node->text);
    scope.type_name = type_name(node->type);
    scope.title = (scope.type_name + QLatin1Char(' ') + scope.name).simplified();
    scope.state = state_of_word(QLatin1String(status_word(node->status)));
    scope.parent = parent;
    if (parent < 0) {
        scope.kind = scope_kind::driver;
        scope.driver = index;
        scope.source_path = local_text(file_name_view(node->file_number));
    } else {
        scope.kind = is_counted(node->type) ? scope_kind::counted : scope_kind::group;
        scope.driver = scopes[static_cast<size_t>(parent)].driver;
    }
    const bool stub = node->type == NODE_STUB;
    for (const TestNode *child = node->first_child; child; child = child->next_sibling) {
        if (is_check_type(child->type) && is_reportable(child))
            scope.rows.push_back(row_of(builder, child, stub));
    }
    if (!scope.rows.empty()) {
        int &header = stub ? builder.stub_header : builder.check_header;
        if (header < 0)
            header = add_header(builder.results, stub ? stub_heading : check_heading);
        scope.header = header;
    }
    scopes.push_back(std::move(scope));
    return index;
}

// Every section-type scope below each Test Driver, in document order.
void add_scopes(model_builder &builder, TestNode *driver)
{
    struct pending {
        const TestNode *node;
        int parent;
    };
    std::vector<pending> stack{{driver, -1}};
    std::vector<const TestNode *> children;
    while (!stack.empty()) {
        const pending item = stack.back();
        stack.pop_back();
        const int index = add_scope(builder, item.node, item.parent);
        children.clear();
        for (const TestNode *child = item.node->first_child; child; child = child->next_sibling) {
            if (is_section_type(child->type))
                children.push_back(child);
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back({*it, index});
    }
}

QString information_label(const char *source)
{
    return QCoreApplication::translate("TALLYGEN global information", source);
}

void add_information(view_results &results, const trace_inputs &inputs)
{
    results.info_title = information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Report Information"));
    results.identification = {
        QCoreApplication::translate(IDENTITY_CONTEXT, PRODUCT_NAME) + QLatin1Char(' ')
            + QCoreApplication::translate(IDENTITY_CONTEXT, PRODUCT_TITLE),
        QCoreApplication::translate(IDENTITY_CONTEXT, LEGAL_OWNER)};
    const bool header = open_project_header() != 0;
    const struct {
        const char *label;
        const char *value;
    } rows[] = {
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Project"), header ? project_name() : nullptr},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Project File"), header ? project_file() : nullptr},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Project Configuration"),
         header ? configuration_name() : nullptr},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Workspace"), header ? workspace_name() : nullptr},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Test Node"), header ? test_node_name() : nullptr},
    };
    for (const auto &row : rows) {
        const QString value = local_text(row.value);
        if (!value.isEmpty())
            results.info.push_back({information_label(row.label), value});
    }
    results.project = header ? local_text(project_name()) : QString();
    release_project_info();
    results.info.push_back({QCoreApplication::translate("tallyview", "Traces"),
                            (inputs.static_traces + QStringList{inputs.dynamic_trace}).join(QStringLiteral(", "))});
    results.info.push_back({information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Generation Time")),
                            QString::fromStdString(generation_time_text()).simplified()});
}

void add_counts(view_results &results)
{
    VerdictTotals totals = {0, 0};
    for (int i = 0; i < file_count(); ++i) {
        TestNode *driver = file_node_at(i);
        if (driver && is_reportable(driver))
            count_verdicts(driver, &totals);
    }
    results.passed = {information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Passed")), totals.passed,
                      totals.failed == 0 ? row_verdict::passed : row_verdict::plain};
    results.failed = {information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Failed")), totals.failed,
                      totals.failed > 0 ? row_verdict::failed : row_verdict::plain};
    results.total = {information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Total")),
                     static_cast<long long>(totals.passed) + totals.failed, row_verdict::plain};
    long long not_executed = 0;
    for (const view_scope &scope : results.scopes) {
        if (scope.kind == scope_kind::counted && scope.state == scope_state::not_executed)
            ++not_executed;
    }
    results.not_executed = {status_label(VERDICT_NOT_EXECUTED), not_executed, row_verdict::plain};
}

QString cannot_read(const QString &path)
{
    return QCoreApplication::translate("tallyview", "%1: cannot be read as a trace").arg(path);
}

}  // namespace

int install_report_catalogues(QCoreApplication &app, QString &error)
{
    const QString installation = QString::fromLocal8Bit(qgetenv("KORVELDIR"));
    if (installation.isEmpty()) {
        error = QCoreApplication::translate("tallyview", "KORVELDIR is not set: reading traces needs the installation "
                                                         "directory, as tallyrpt does");
        return -1;
    }
    const QString locale = QDir(installation).filePath(QStringLiteral("lib/locale"));
    if (!QFileInfo(locale).isDir()) {
        error = QCoreApplication::translate("tallyview", "KORVELDIR: no folder %1").arg(locale);
        return -1;
    }
    load_catalogues(app, {QStringLiteral("zephident_"), QStringLiteral("modbas_"), QStringLiteral("tallygen_")});
    return 0;
}

int read_traces(const trace_inputs &inputs, view_results &results, QString &error)
{
    results = view_results();
    for (const QString &path : QStringList{inputs.dynamic_trace} + inputs.static_traces) {
        if (!file_exists(path.toLocal8Bit().constData())) {
            error = QCoreApplication::translate("tallyview", "%1: no such file").arg(path);
            return -1;
        }
    }
    tree_init();
    keep_check_messages(true);
    int32_t file_counter = 0;
    int status = 0;
    std::vector<QByteArray> local_paths;
    std::vector<const char *> paths;
    for (const QString &path : inputs.static_traces)
        local_paths.push_back(path.toLocal8Bit());
    for (const QByteArray &path : local_paths)
        paths.push_back(path.constData());
    const int unread = read_static_traces(paths.data(), static_cast<int>(paths.size()), &file_counter);
    if (unread < static_cast<int>(paths.size())) {
        error = cannot_read(inputs.static_traces[unread]);
        status = -1;
    }
    if (status == 0 && read_dynamic_trace(inputs.dynamic_trace.toLocal8Bit().constData()) != 0) {
        error = cannot_read(inputs.dynamic_trace);
        status = -1;
    }
    keep_check_messages(false);
    if (status == 0) {
        roll_up_verdicts();
        model_builder builder{results, -1, -1, {}, {}, {}};
        for (int i = 0; i < file_count(); ++i) {
            if (TestNode *driver = file_node_at(i))
                add_scopes(builder, driver);
        }
        add_information(results, inputs);
        add_counts(results);
        results.document_title = inputs.dynamic_trace;
        results.complete = true;
    }
    tree_free();
    return status;
}
