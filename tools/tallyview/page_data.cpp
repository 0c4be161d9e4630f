// Each column is written in one pass over the scopes or rows, numbers as
// JSON numbers and texts as JSON strings. The texts the script needs for its
// own controls are looked up here under the context "tallyview", so the
// script itself holds no words.
#include "page_data.h"

#include "baseline.h"
#include "packed_sink.h"

#include <QCoreApplication>
#include <QHash>
#include <functional>

namespace {

// Rows per block of the scopes that did not fail: the page unpacks one block
// at a time, so that it stays responsive while the rest of a run comes in.
const size_t ROWS_PER_BLOCK = 65536;

void write_key(text_sink &sink, const char *key, bool first = false)
{
    sink_literal(sink, first ? "{\"" : ",\"");
    sink_literal(sink, key);
    sink_literal(sink, "\":");
}

template <typename Items, typename Write>
void write_array(text_sink &sink, const Items &items, Write write)
{
    sink_literal(sink, "[");
    bool first = true;
    for (const auto &item : items) {
        if (!first)
            sink_literal(sink, ",");
        first = false;
        write(item);
    }
    sink_literal(sink, "]");
}

void write_strings(text_sink &sink, const QStringList &texts)
{
    write_array(sink, texts, [&](const QString &text) { sink_json(sink, text); });
}

void write_labels(const view_results &results, text_sink &sink)
{
    const struct {
        const char *key;
        QString text;
    } labels[] = {
        {"matches", QCoreApplication::translate("tallyview", "%1 matches")},
        {"link", QCoreApplication::translate("tallyview", "Link to this case")},
        {"loading", QCoreApplication::translate("tallyview", "Loading\u2026")},
        {"nothing", QCoreApplication::translate("tallyview", "Nothing to show")},
        {"failed", results.failed.label},
    };
    sink_literal(sink, "{");
    bool first = true;
    for (const auto &label : labels) {
        sink_literal(sink, first ? "\"" : ",\"");
        first = false;
        sink_literal(sink, label.key);
        sink_literal(sink, "\":");
        sink_json(sink, label.text);
    }
    sink_literal(sink, "}");
}

QString scope_title(const view_scope &scope)
{
    return (scope.title.isEmpty() ? scope.type_name + QLatin1Char(' ') + scope.name : scope.title).trimmed();
}

void write_scopes(const view_results &results, const std::vector<int> &rest_starts, text_sink &sink)
{
    const std::vector<view_scope> &scopes = results.scopes;
    write_key(sink, "labels", true);
    write_labels(results, sink);
    write_key(sink, "changeLabels");
    QStringList change_labels{QString()};
    for (case_change change : shown_changes)
        change_labels.append(change_label(change));
    write_strings(sink, change_labels);
    write_key(sink, "headers");
    write_array(sink, results.headers, [&](const QStringList &header) { write_strings(sink, header); });
    const auto column = [&](const char *key, auto value) {
        write_key(sink, key);
        write_array(sink, scopes, [&](const view_scope &scope) { value(scope); });
    };
    column("parent", [&](const view_scope &s) { sink_number(sink, s.parent); });
    column("state", [&](const view_scope &s) { sink_number(sink, static_cast<int>(s.state)); });
    column("kind", [&](const view_scope &s) { sink_number(sink, static_cast<int>(s.kind)); });
    column("header", [&](const view_scope &s) { sink_number(sink, s.header); });
    column("change", [&](const view_scope &s) { sink_number(sink, static_cast<int>(s.change)); });
    column("rows", [&](const view_scope &s) { sink_number(sink, static_cast<long long>(s.rows.size())); });
    column("title", [&](const view_scope &s) { sink_json(sink, scope_title(s)); });
    write_key(sink, "restStarts");
    write_array(sink, rest_starts, [&](int scope) { sink_number(sink, scope); });
    sink_literal(sink, "}");
}

// Source paths and cell lists repeat from row to row: each is stored once
// and the rows give its index. Neighbouring rows mostly share them, so the
// last one is tried before the table.
template <typename Key>
struct interned {
    QHash<Key, int> index;
    std::vector<const view_row *> first_use;
    Key last;
    int last_index = -1;

    int of(const Key &key, const view_row &row)
    {
        if (last_index >= 0 && key == last)
            return last_index;
        const auto found = index.constFind(key);
        if (found != index.constEnd()) {
            last = key;
            return last_index = found.value();
        }
        const int at = static_cast<int>(first_use.size());
        index.insert(key, at);
        first_use.push_back(&row);
        last = key;
        return last_index = at;
    }
};

int row_code(const view_row &row)
{
    return (row.kind == row_kind::print ? 3 : 0) + static_cast<int>(row.verdict);
}

void write_rows(const view_results &results, const std::vector<int> &scopes, text_sink &sink)
{
    std::vector<const view_row *> rows;
    for (int scope : scopes) {
        for (const view_row &row : results.scopes[static_cast<size_t>(scope)].rows)
            rows.push_back(&row);
    }
    interned<QString> paths;
    interned<QStringList> cells;
    const auto column = [&](const char *key, auto value) {
        write_key(sink, key, key[0] == 'k');
        write_array(sink, rows, [&](const view_row *row) { value(*row); });
    };
    column("kind", [&](const view_row &r) { sink_number(sink, row_code(r)); });
    column("line", [&](const view_row &r) { sink_number(sink, r.has_source ? r.source.line : -1); });
    column("src", [&](const view_row &r) {
        sink_number(sink, r.has_source ? paths.of(r.source.path, r) : -1);
    });
    column("cells", [&](const view_row &r) { sink_number(sink, cells.of(r.cells, r)); });
    column("text", [&](const view_row &r) { sink_json(sink, r.text); });
    // Messages are few beside rows: the rows that have some, then their lists.
    std::vector<size_t> with_messages;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i]->messages.isEmpty())
            with_messages.push_back(i);
    }
    write_key(sink, "messageRows");
    write_array(sink, with_messages, [&](size_t i) { sink_number(sink, static_cast<long long>(i)); });
    write_key(sink, "messages");
    write_array(sink, with_messages, [&](size_t i) { write_strings(sink, rows[i]->messages); });
    write_key(sink, "paths");
    write_array(sink, paths.first_use, [&](const view_row *row) {
        sink_literal(sink, "[");
        sink_json(sink, source_label({row->source.path, -1}));
        sink_literal(sink, ",");
        sink_json(sink, source_url(row->source));
        sink_literal(sink, "]");
    });
    write_key(sink, "cellLists");
    write_array(sink, cells.first_use, [&](const view_row *row) { write_strings(sink, row->cells); });
    sink_literal(sink, "}");
}

void write_block(text_sink &sink, const char *id, const std::function<void(text_sink &)> &write)
{
    sink_literal(sink, "<script type=\"application/json+deflate+base64\" id=\"");
    sink_literal(sink, id);
    sink_literal(sink, "\">");
    packed_sink packed;
    packed_open(packed, sink);
    write(packed.input);
    packed_close(packed);
    sink_literal(sink, "</script>\n");
}

// The scopes whose rows go in each rows block: the failed ones, then the
// others in blocks of about ROWS_PER_BLOCK rows.
std::vector<std::vector<int>> row_blocks(const view_results &results)
{
    std::vector<std::vector<int>> blocks(2);
    size_t in_block = 0;
    for (size_t i = 0; i < results.scopes.size(); ++i) {
        const view_scope &scope = results.scopes[i];
        if (scope.state == scope_state::failed) {
            blocks[0].push_back(static_cast<int>(i));
            continue;
        }
        if (in_block >= ROWS_PER_BLOCK) {
            blocks.emplace_back();
            in_block = 0;
        }
        blocks.back().push_back(static_cast<int>(i));
        in_block += scope.rows.size();
    }
    return blocks;
}

}  // namespace

void write_page_data(const view_results &results, text_sink &sink)
{
    const std::vector<std::vector<int>> blocks = row_blocks(results);
    std::vector<int> rest_starts;
    for (size_t i = 1; i < blocks.size(); ++i)
        rest_starts.push_back(blocks[i].empty() ? 0 : blocks[i].front());
    write_block(sink, "tree-scopes", [&](text_sink &json) { write_scopes(results, rest_starts, json); });
    write_block(sink, "tree-failed", [&](text_sink &json) { write_rows(results, blocks[0], json); });
    for (size_t i = 1; i < blocks.size(); ++i) {
        const QByteArray id = "tree-rest-" + QByteArray::number(static_cast<qulonglong>(i - 1));
        write_block(sink, id.constData(), [&](text_sink &json) { write_rows(results, blocks[i], json); });
    }
}
