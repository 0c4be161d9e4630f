// The results file, read by libxml2's push parser (SAX), which checks that
// it is well-formed at several times the speed of QXmlStreamReader and hands
// over UTF-8 that is turned into QString only where it is kept; the
// parser's own nesting is a heap stack, so deep trees read like flat ones.
// Cell lists, source paths and type names repeat from row to row; each is
// kept once and shared (Qt's implicit sharing), which holds the memory of a
// large run to a fraction.
//
// The document nests the formatted
// report inside the node tree, so the reader keeps only a stack of open node
// indices and a few flags (inside the information section, a title, a cell,
// a link); a row is interpreted when it closes, from the cells it gathered:
//   - all cells "Array Title" text cells: a check table's header row;
//   - first cell with an IMAGE: a Print row, its second cell the "(xN)";
//   - first cell with a LINK: a check row, its style the row's verdict;
//   - empty first cell: a message of the Print row just before it.
// In the information section the rows styled "Array Title" name the
// generator; the other rows are label/value pairs, the last three of which
// are the Passed, Failed and Total counts.
#include "results_reader.h"


#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSet>
#include <libxml/parser.h>
#include <cstring>
#include <string>

namespace {

struct cell {
    QString style;
    QString text;
    QString target;
    bool is_text_cell = false;
    bool has_link = false;
    bool has_image = false;
};

struct info_pair {
    QString label;
    QString value;
    row_verdict verdict = row_verdict::plain;
};

struct reader_state {
    view_results &results;
    xmlParserCtxtPtr parser = nullptr;
    std::vector<int> open_scopes;
    std::vector<info_pair> info_rows;
    QHash<QString, int> header_index;
    QSet<QString> shared_texts;       // source paths and type names
    QSet<QStringList> shared_cells;   // the cells of check and Print rows
    std::vector<cell> row_cells;
    cell current;
    QString row_style;
    QString refusal;                  // why the document is not a results file
    std::string text;                 // the characters of the element being read
    int depth = 0;
    int text_depth = 0;               // depth of a TEXT or CELL_TEXT being read, 0: none
    bool cell_text = false;           // that element is a CELL_TEXT
    bool root_seen = false;
    bool seen_document = false;
    bool in_info = false;
    bool in_title = false;
    bool in_cell = false;
    bool in_link = false;
};

QString shared(QSet<QString> &set, const QString &text)
{
    return *set.insert(text);
}

bool is(const xmlChar *name, const char *expected)
{
    return strcmp(reinterpret_cast<const char *>(name), expected) == 0;
}

QString utf8(const xmlChar *text)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(text));
}

// The value of an attribute of a start tag, empty when it is absent.
QString attribute(const xmlChar **attributes, const char *name)
{
    for (const xmlChar **at = attributes; at && *at; at += 2) {
        if (is(at[0], name))
            return at[1] ? utf8(at[1]) : QString();
    }
    return QString();
}

void open_scope(reader_state &state, const xmlChar **attributes)
{
    std::vector<view_scope> &scopes = state.results.scopes;
    view_scope scope;
    scope.name = attribute(attributes, "name");
    scope.type_name = shared(state.shared_texts, attribute(attributes, "type"));
    scope.state = state_of_word(attribute(attributes, "state"));
    const int index = static_cast<int>(scopes.size());
    if (state.open_scopes.empty()) {
        scope.kind = scope_kind::driver;
        scope.driver = index;
    } else {
        scope.parent = state.open_scopes.back();
        scope.driver = scopes[scope.parent].driver;
        scope.kind = attribute(attributes, "sum").toInt() > 0 ? scope_kind::counted : scope_kind::group;
    }
    scopes.push_back(std::move(scope));
    state.open_scopes.push_back(index);
}

void take_text(reader_state &state, const QString &text)
{
    if (state.in_link || state.in_cell) {
        state.current.text = text;
        return;
    }
    if (!state.in_title)
        return;
    if (!state.open_scopes.empty()) {
        view_scope &scope = state.results.scopes[state.open_scopes.back()];
        if (scope.title.isEmpty())
            scope.title = text;
    } else if (state.in_info && state.results.info_title.isEmpty()) {
        state.results.info_title = text;
    }
}

bool is_header_row(const std::vector<cell> &cells)
{
    for (const cell &c : cells) {
        if (!c.is_text_cell || c.style != QLatin1String("Array Title"))
            return false;
    }
    return true;
}

int intern_header(reader_state &state, const std::vector<cell> &cells)
{
    QStringList labels;
    for (const cell &c : cells)
        labels.append(c.text);
    const QString key = labels.join(QChar(0x1f));
    const auto found = state.header_index.constFind(key);
    if (found != state.header_index.constEnd())
        return found.value();
    const int index = static_cast<int>(state.results.headers.size());
    state.results.headers.push_back(labels);
    state.header_index.insert(key, index);
    return index;
}

void add_scope_row(reader_state &state, view_scope &scope)
{
    const std::vector<cell> &cells = state.row_cells;
    if (is_header_row(cells)) {
        if (scope.header < 0)
            scope.header = intern_header(state, cells);
        return;
    }
    const cell &first = cells.front();
    if (!first.has_link && !first.has_image) {
        // A message row: an empty cell, then the message.
        if (first.text.isEmpty() && cells.size() >= 2 && !scope.rows.empty()
            && scope.rows.back().kind == row_kind::print)
            scope.rows.back().messages.append(cells[1].text);
        return;
    }
    view_row row;
    row.kind = first.has_image ? row_kind::print : row_kind::check;
    row.verdict = row.kind == row_kind::print ? row_verdict::plain : verdict_of_style(first.style);
    row.text = first.text;
    row.has_source = first.has_link;
    if (first.has_link) {
        row.source = parse_link_target(first.target);
        row.source.path = shared(state.shared_texts, row.source.path);
        // The file names no source of its own; a driver's first link tells it.
        QString &driver_source = state.results.scopes[static_cast<size_t>(scope.driver)].source_path;
        if (driver_source.isEmpty())
            driver_source = row.source.path;
    }
    QStringList row_cells;
    for (size_t i = 1; i < cells.size(); ++i)
        row_cells.append(cells[i].text);
    row.cells = *state.shared_cells.insert(row_cells);
    scope.rows.push_back(std::move(row));
}

void close_row(reader_state &state)
{
    if (state.row_cells.empty())
        return;
    if (!state.open_scopes.empty()) {
        add_scope_row(state, state.results.scopes[state.open_scopes.back()]);
    } else if (state.in_info) {
        if (state.row_style == QLatin1String("Array Title")) {
            for (const cell &c : state.row_cells) {
                if (!c.text.isEmpty())
                    state.results.identification.append(c.text);
            }
        } else if (state.row_cells.size() >= 2) {
            state.info_rows.push_back({state.row_cells[0].text, state.row_cells[1].text,
                                       verdict_of_style(state.row_cells[0].style)});
        }
    }
    state.row_cells.clear();
}

void refuse(reader_state &state, const QString &reason)
{
    state.refusal = reason;
    xmlStopParser(state.parser);
}

void start_element(void *context, const xmlChar *name, const xmlChar **attributes)
{
    reader_state &state = *static_cast<reader_state *>(context);
    ++state.depth;
    if (state.text_depth > 0)
        return;  // markup inside a text element: only its characters count
    if (!state.root_seen) {
        state.root_seen = true;
        if (!is(name, "XROD"))
            refuse(state, QCoreApplication::translate("tallyview",
                                                      "not a results file: the root element is <%1>, not <XROD>")
                              .arg(utf8(name)));
        return;
    }
    if (is(name, "XROD:NODE")) {
        open_scope(state, attributes);
    } else if (is(name, "TEXT") || is(name, "CELL_TEXT")) {
        state.text_depth = state.depth;
        state.cell_text = is(name, "CELL_TEXT");
        state.text.clear();
        if (state.cell_text) {
            state.current = cell();
            state.current.is_text_cell = true;
            state.current.style = attribute(attributes, "STYLE");
        }
    } else if (is(name, "CELL")) {
        state.current = cell();
        state.current.style = attribute(attributes, "STYLE");
        state.in_cell = true;
    } else if (is(name, "LINK")) {
        state.current.has_link = true;
        state.current.target = attribute(attributes, "TARGET");
        state.in_link = true;
    } else if (is(name, "IMAGE")) {
        state.current.has_image = true;
    } else if (is(name, "ROW")) {
        state.row_cells.clear();
        state.row_style = attribute(attributes, "STYLE");
    } else if (is(name, "TITLE")) {
        state.in_title = true;
    } else if (is(name, "SECTION")) {
        if (state.open_scopes.empty())
            state.in_info = true;
    } else if (is(name, "DOCUMENT")) {
        state.seen_document = true;
        state.results.document_title = attribute(attributes, "TITLE");
    }
}

void characters(void *context, const xmlChar *text, int length)
{
    reader_state &state = *static_cast<reader_state *>(context);
    if (state.text_depth > 0)
        state.text.append(reinterpret_cast<const char *>(text), static_cast<size_t>(length));
}

void end_element(void *context, const xmlChar *name)
{
    reader_state &state = *static_cast<reader_state *>(context);
    const int depth = state.depth--;
    if (state.text_depth > 0) {
        if (depth != state.text_depth)
            return;
        state.text_depth = 0;
        const QString text = QString::fromUtf8(state.text.data(), static_cast<qsizetype>(state.text.size()));
        if (state.cell_text) {
            state.current.text = text;
            state.row_cells.push_back(std::move(state.current));
            state.current = cell();
        } else {
            take_text(state, text);
        }
        return;
    }
    if (is(name, "XROD:NODE")) {
        if (!state.open_scopes.empty())
            state.open_scopes.pop_back();
    } else if (is(name, "CELL")) {
        if (state.in_cell)
            state.row_cells.push_back(std::move(state.current));
        state.current = cell();
        state.in_cell = false;
        state.in_link = false;
    } else if (is(name, "LINK")) {
        state.in_link = false;
    } else if (is(name, "ROW")) {
        close_row(state);
    } else if (is(name, "TITLE")) {
        state.in_title = false;
    } else if (is(name, "SECTION")) {
        if (state.open_scopes.empty())
            state.in_info = false;
    }
}

bool parse_count(const info_pair &pair, view_count &count)
{
    bool ok = false;
    count.count = pair.value.toLongLong(&ok);
    count.label = pair.label;
    count.verdict = pair.verdict;
    return ok;
}

// The last three information rows are the summary counts.
bool take_summary(reader_state &state)
{
    std::vector<info_pair> &rows = state.info_rows;
    const size_t n = rows.size();
    if (n < 3)
        return false;
    view_results &results = state.results;
    if (!parse_count(rows[n - 3], results.passed) || !parse_count(rows[n - 2], results.failed)
        || !parse_count(rows[n - 1], results.total))
        return false;
    for (size_t i = 0; i + 3 < n; ++i)
        results.info.push_back({rows[i].label, rows[i].value});
    // The first information row is the project's name, empty without a
    // studio header (the information rows come in a fixed order).
    if (n > 3)
        results.project = rows[0].value.simplified();
    return true;
}


// libxml2's last error as "line L, column C: message".
QString parse_error(xmlParserCtxtPtr parser)
{
    const xmlError *error = xmlCtxtGetLastError(parser);
    if (!error || !error->message)
        return QCoreApplication::translate("tallyview", "not well-formed XML");
    return QCoreApplication::translate("tallyview", "not well-formed XML (line %1, column %2: %3)")
        .arg(error->line)
        .arg(error->int2)
        .arg(QString::fromUtf8(error->message).simplified());
}

}  // namespace

int read_results(QIODevice &device, view_results &results, QString &error)
{
    results = view_results();
    reader_state state{results, nullptr, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, 0, 0, false, false, false, false, false, false, false};
    xmlSAXHandler handler;
    memset(&handler, 0, sizeof handler);
    handler.startElement = start_element;
    handler.endElement = end_element;
    handler.characters = characters;
    handler.cdataBlock = characters;
    // Large texts and deep trees are what big runs are made of; no network,
    // and entities of a document type declaration are never loaded.
    state.parser = xmlCreatePushParserCtxt(&handler, &state, nullptr, 0, nullptr);
    if (!state.parser) {
        error = QCoreApplication::translate("tallyview", "out of memory");
        return -1;
    }
    xmlCtxtUseOptions(state.parser, XML_PARSE_HUGE | XML_PARSE_NONET);
    QByteArray block(1 << 18, Qt::Uninitialized);
    bool stopped = false;
    for (;;) {
        const qint64 length = device.read(block.data(), block.size());
        const bool last = length <= 0;
        if (xmlParseChunk(state.parser, block.constData(), last ? 0 : static_cast<int>(length), last ? 1 : 0) != 0
            || !state.refusal.isEmpty()) {
            stopped = true;
            break;
        }
        if (last)
            break;
    }
    const bool well_formed = !stopped && state.parser->wellFormed;
    if (state.refusal.isEmpty() && !well_formed)
        error = parse_error(state.parser);
    xmlFreeParserCtxt(state.parser);
    if (!state.refusal.isEmpty()) {
        error = state.refusal;
        return -1;
    }
    if (!well_formed)
        return -1;
    if (!state.seen_document) {
        error = QCoreApplication::translate("tallyview", "not a results file: no DOCUMENT element");
        return -1;
    }
    if (!take_summary(state)) {
        error = QCoreApplication::translate("tallyview", "not a results file: no summary counts");
        return -1;
    }
    return 0;
}

int read_results_file(const QString &path, view_results &results, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QCoreApplication::translate("tallyview", "cannot be read: %1").arg(file.errorString());
        return -1;
    }
    return read_results(file, results, error);
}
