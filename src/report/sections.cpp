// Node sections: for every reportable scope below a Test Driver, its
// machine-readable node, its title, a table with one row per reportable check
// directly below it, then the sections of its child scopes, then the closing
// tag. A scope that is not reportable hides its whole subtree.
//
// The nesting is as deep as the tree, so the walk keeps an explicit stack of
// open sections instead of recursing; the output order is that of the
// recursive definition. Markup is gathered in a buffer and handed to the
// stream in large pieces, and the fixed labels are looked up once per
// document (see begin_section_document).
#include "report/sections.h"

#include "report/background_writer.h"
#include "report/emitter.h"
#include "report/escape.h"
#include "report/vocabulary.h"

#include <vector>

namespace {

const int TYPE_SLOTS = 37;  // node types 0..36; others are named "-~"
const size_t FLUSH_SIZE = 1 << 16;

const char CHECK_TABLE_OPEN[] = "<TABLE BORDER=\"1\" WIDTH=\"40,15,15,15,15\">\n";

struct SectionLabels {
    Markup check_header;  // header rows in the title style
    Markup stub_header;
    Markup status_labels[3];  // escaped: not executed, failed, passed
    Markup stub_executed;     // escaped "Executed" of the stub status cell
    QString type_names[TYPE_SLOTS + 1];  // the last slot for unknown types
    Markup escaped_type_names[TYPE_SLOTS + 1];
};

SectionLabels labels;
bool labels_pinned = false;

void load_labels()
{
    labels.check_header.clear();
    append_check_header_row(labels.check_header, CELL_TITLE);
    labels.stub_header.clear();
    append_stub_header_row(labels.stub_header, CELL_TITLE);

    const int verdicts[3] = {VERDICT_NOT_EXECUTED, VERDICT_FAILED, VERDICT_PASSED};
    for (int i = 0; i < 3; ++i) {
        labels.status_labels[i].clear();
        append_escaped(labels.status_labels[i], status_label(verdicts[i]), true);
    }
    labels.stub_executed.clear();
    append_escaped(labels.stub_executed, stub_executed_label(), true);

    for (int type = 0; type <= TYPE_SLOTS; ++type) {
        labels.type_names[type] = type_name(type < TYPE_SLOTS ? type : -1);
        labels.escaped_type_names[type].clear();
        append_escaped(labels.escaped_type_names[type], labels.type_names[type], true);
    }
}

int type_slot(int type)
{
    return type >= 0 && type < TYPE_SLOTS ? type : TYPE_SLOTS;
}

const Markup &escaped_status_label(int verdict)
{
    return labels.status_labels[verdict == VERDICT_FAILED ? 1 : verdict == VERDICT_PASSED ? 2 : 0];
}

bool is_reportable(const TestNode *node)
{
    return node->status != VERDICT_NOT_EXECUTED && node->status != VERDICT_NONE;
}

bool is_reportable_section(const TestNode *node)
{
    return node && is_section_type(node->type) && is_reportable(node);
}

bool is_reportable_check(const TestNode *node)
{
    return is_check_type(node->type) && is_reportable(node);
}

// Hands the gathered markup to the stream once it is large, so that neither a
// long chain nor a scope with very many checks or messages piles up here.
// Markup gathered in the background writer's own chunk (see
// write_node_section) goes once the chunk is full.
void flush_when_large(FILE *stream, Markup &out)
{
    if (out.size() < FLUSH_SIZE)
        return;
    if (&out == background_writer_chunk(stream)) {
        background_writer_filled();
    } else {
        write_buffer(stream, out);
        out.clear();
    }
}

// Escaped link targets by file number, made once per document: rows point
// into a few sources, often alternating between two of them. File numbers
// outside the table's range share a one-entry cache.
const int32_t cached_target_limit = 1 << 16;

struct TargetCache {
    std::vector<Markup> by_file;
    std::vector<bool> known;
    bool last_valid = false;
    int32_t last_file_number = 0;
    Markup last;
};

TargetCache target_cache;

void forget_targets()
{
    target_cache.known.assign(target_cache.known.size(), false);
    target_cache.last_valid = false;
}

const Markup &escaped_target(int32_t file_number)
{
    if (file_number >= 0 && file_number < cached_target_limit) {
        const size_t at = static_cast<size_t>(file_number);
        if (at >= target_cache.known.size()) {
            target_cache.known.resize(at + 1, false);
            target_cache.by_file.resize(at + 1);
        }
        if (!target_cache.known[at]) {
            target_cache.by_file[at].clear();
            append_escaped(target_cache.by_file[at], file_name_view(file_number), true);
            target_cache.known[at] = true;
        }
        return target_cache.by_file[at];
    }
    if (!target_cache.last_valid || target_cache.last_file_number != file_number) {
        target_cache.last.clear();
        append_escaped(target_cache.last, file_name_view(file_number), true);
        target_cache.last_file_number = file_number;
        target_cache.last_valid = true;
    }
    return target_cache.last;
}

CheckCounters counters_of(const TestNode *node)
{
    return node->extension ? *node->extension : CheckCounters{0, 0, 0, 0};
}

void append_blank_cell(Markup &out)
{
    out.append("<CELL_TEXT STYLE=\"Array\"></CELL_TEXT>\n");
}

void append_label_cell(Markup &out, const Markup &escaped_label, int style)
{
    append_cell_text_open(out, style);
    out.append(escaped_label);
    out.append("</CELL_TEXT>\n");
}

struct MessageRows {
    FILE *stream;
    Markup *out;
};

void append_message_row(const char *text, size_t, void *context)
{
    MessageRows &rows = *static_cast<MessageRows *>(context);
    rows.out->append("<ROW>\n<CELL STYLE=\"Array\">\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>");
    append_escaped(*rows.out, text, true);
    rows.out->append("</TEXT>\n</CELL>\n</ROW>\n");
    flush_when_large(rows.stream, *rows.out);
}

// A Print leaves the check table for a print table of its own (and a message
// table) and then opens a fresh check table without a header row.
void append_print_row(FILE *stream, Markup &out, const TestNode *check)
{
    out.append("</TABLE>\n<TABLE BORDER=\"1\" WIDTH=\"55,45\">\n<ROW>\n"
               "<CELL STYLE=\"Array\">\n<IMAGE NAME=\"arrow10.xpm\"/><LINK TARGET=\"");
    out.append(escaped_target(check->file_number));
    out.append(" line ");
    append_number(out, check->line);
    out.append("\">\n<TEXT>");
    append_escaped(out, check->text, true);
    out.append("</TEXT>\n</LINK>\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>(x");
    append_number(out, counters_of(check).total_count);
    out.append(")</TEXT>\n</CELL>\n</ROW>\n</TABLE>\n");
    if (has_messages(check)) {
        out.append("<TABLE BORDER=\"0\" WIDTH=\"5,95\">\n");
        MessageRows rows{stream, &out};
        for_each_message(check, append_message_row, &rows);
        out.append("</TABLE>\n");
    }
    out.append(CHECK_TABLE_OPEN);
}

void append_stub_row(Markup &out, const TestNode *check)
{
    const CheckCounters counters = counters_of(check);
    const int style = counters.fail_count > 0 ? CELL_FAILED : CELL_PLAIN;
    out.append("<ROW>\n");
    append_link_cell(out, check->text, style, escaped_target(check->file_number), check->line);
    append_label_cell(out, style == CELL_FAILED ? escaped_status_label(VERDICT_FAILED) : labels.stub_executed,
                      style);
    append_cell_number(out, counters.entry_count, style);
    append_cell_number(out, counters.fail_count, style);
    append_cell_number(out, counters.pass_count, style);
    out.append("</ROW>\n");
}

void append_check_row(Markup &out, const TestNode *check)
{
    const CheckCounters counters = counters_of(check);
    out.append("<ROW>\n");
    if (counters.fail_count == 0 && counters.pass_count == 0) {
        append_link_cell(out, check->text, CELL_PLAIN, escaped_target(check->file_number), check->line);
        if (counters.total_count != 0) {
            append_label_cell(out, escaped_status_label(check->status), CELL_PLAIN);
            append_cell_number(out, counters.total_count, CELL_PLAIN);
        } else {
            append_blank_cell(out);
            append_blank_cell(out);
        }
        append_blank_cell(out);
        append_blank_cell(out);
    } else {
        const int style = status_style(check->status);
        append_link_cell(out, check->text, style, escaped_target(check->file_number), check->line);
        append_label_cell(out, escaped_status_label(check->status), style);
        append_cell_number(out, counters.total_count, style);
        append_cell_number(out, counters.fail_count, style);
        append_cell_number(out, counters.pass_count, style);
    }
    out.append("</ROW>\n");
}

// Everything of a section before its child sections: the open node element,
// the title and the check table.
void append_section_head(FILE *stream, Markup &out, const TestNode *node, int depth)
{
    const int slot = type_slot(node->type);
    const bool counted = node->type == NODE_TEST_CASE || node->type == NODE_PROC || node->type == NODE_STUB;
    const bool method = node->type == NODE_TEST_CASE || node->type == NODE_PROC;

    static Markup escaped_name;
    escaped_name.clear();
    append_escaped(escaped_name, node->text, true);
    append_tree_node(out, escaped_name, labels.escaped_type_names[slot], status_word(node->status),
                     counted ? 1 : 0, method ? ICON_METHOD : ICON_CLASS);
    append_title(out, labels.type_names[slot], node->text, depth, status_style(node->status),
                 take_tag_number());

    // Node texts are stored once each, wherever a text was first met, so the
    // texts of one table lie far apart: their loading is started for all
    // rows before the first row is written.
    for (const TestNode *child = node->first_child; child; child = child->next_sibling)
        __builtin_prefetch(static_cast<const char *>(child->text));

    const bool stub = node->type == NODE_STUB;
    bool table_open = false;
    for (const TestNode *child = node->first_child; child; child = child->next_sibling) {
        if (!is_reportable_check(child))
            continue;
        if (!table_open) {
            out.append(CHECK_TABLE_OPEN);
            out.append(stub ? labels.stub_header : labels.check_header);
            table_open = true;
        }
        if (child->type == NODE_PRINT)
            append_print_row(stream, out, child);
        else if (stub)
            append_stub_row(out, child);
        else
            append_check_row(out, child);
        flush_when_large(stream, out);
    }
    if (table_open)
        out.append("</TABLE>\n");
}

}  // namespace

void begin_section_document()
{
    load_labels();
    forget_targets();
    labels_pinned = true;
}

void end_section_document()
{
    labels_pinned = false;
    target_cache = TargetCache();
}

void write_node_section(TestNode *node, void *section_context)
{
    const SectionContext *context = static_cast<const SectionContext *>(section_context);
    if (!context || !is_reportable_section(node))
        return;
    if (!labels_pinned) {
        load_labels();
        forget_targets();
    }

    // While the background writer writes this stream, the markup is built
    // straight in its chunk, which it hands over whole: no copy.
    static Markup own;
    Markup *chunk = background_writer_chunk(context->stream);
    own.clear();
    Markup &out = chunk ? *chunk : own;
    // One entry per open section: the next of its children to offer.
    std::vector<const TestNode *> open_sections;
    append_section_head(context->stream, out, node, context->depth);
    open_sections.push_back(node->first_child);
    while (!open_sections.empty()) {
        const TestNode *child = open_sections.back();
        if (!child) {
            out.append("</XROD:NODE>\n");
            open_sections.pop_back();
            flush_when_large(context->stream, out);
            continue;
        }
        open_sections.back() = child->next_sibling;
        if (!is_reportable_section(child))
            continue;
        append_section_head(context->stream, out, child, context->depth + static_cast<int>(open_sections.size()));
        open_sections.push_back(child->first_child);
        flush_when_large(context->stream, out);
    }
    if (!chunk) {
        write_buffer(context->stream, own);
        own.clear();
    }
}
