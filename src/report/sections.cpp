// Node sections: for every reportable scope below a Test Driver, its
// machine-readable node, its title, a table with one row per reportable check
// directly below it, then the sections of its child scopes, then the closing
// tag. A scope that is not reportable hides its whole subtree. The file
// section of each driver wraps the sections of its children.
//
// The nesting is as deep as the tree, so the walk keeps an explicit stack of
// open sections instead of recursing; the output order is that of the
// recursive definition. The walk hands out batches of steps, which two
// threads build by turns (see SectionHelper); markup is gathered in large
// pieces, and the fixed labels are looked up once per document (see
// begin_section_document).
#include "report/sections.h"

#include "diagnostics/threads.h"
#include "report/background_writer.h"
#include "report/emitter.h"
#include "report/escape.h"
#include "report/vocabulary.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
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

// Escaped link targets by file number: rows point into a few sources, often
// alternating between two of them. File numbers outside the table's range
// share a one-entry cache.
const int32_t cached_target_limit = 1 << 16;

struct TargetCache {
    std::vector<Markup> by_file;
    std::vector<bool> known;
    bool last_valid = false;
    int32_t last_file_number = 0;
    Markup last;
};

// What one thread keeps while it builds sections. A formatter with a stream
// hands its markup to the stream as it grows; one without keeps it and stops
// once it holds limit bytes (see format_steps).
struct SectionFormatter {
    FILE *stream = nullptr;
    size_t limit = 0;
    bool over = false;
    Markup escaped_name;
    TargetCache targets;
};

// The formatter of the calling thread; a document's second thread has its own.
SectionFormatter main_formatter;

// Hands the gathered markup to the stream once it is large, so that neither a
// long chain nor a scope with very many checks or messages piles up here.
// Markup gathered in the background writer's own chunk (see write_sections)
// goes once the chunk is full. A formatter without a stream only notes that
// its limit is passed.
void flush_when_large(SectionFormatter &formatter, Markup &out)
{
    if (out.size() < FLUSH_SIZE)
        return;
    if (!formatter.stream) {
        if (out.size() >= formatter.limit)
            formatter.over = true;
        return;
    }
    if (&out == background_writer_chunk(formatter.stream)) {
        background_writer_filled();
    } else {
        write_buffer(formatter.stream, out);
        out.clear();
    }
}

const Markup &escaped_target(SectionFormatter &formatter, int32_t file_number)
{
    TargetCache &cache = formatter.targets;
    if (file_number >= 0 && file_number < cached_target_limit) {
        const size_t at = static_cast<size_t>(file_number);
        if (at >= cache.known.size()) {
            cache.known.resize(at + 1, false);
            cache.by_file.resize(at + 1);
        }
        if (!cache.known[at]) {
            cache.by_file[at].clear();
            append_escaped(cache.by_file[at], file_name_view(file_number), true);
            cache.known[at] = true;
        }
        return cache.by_file[at];
    }
    if (!cache.last_valid || cache.last_file_number != file_number) {
        cache.last.clear();
        append_escaped(cache.last, file_name_view(file_number), true);
        cache.last_file_number = file_number;
        cache.last_valid = true;
    }
    return cache.last;
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
    SectionFormatter *formatter;
    Markup *out;
};

void append_message_row(const char *text, size_t length, void *context)
{
    MessageRows &rows = *static_cast<MessageRows *>(context);
    if (rows.formatter->over)
        return;  // this section is given up (format_steps)
    rows.out->append("<ROW>\n<CELL STYLE=\"Array\">\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>");
    append_escaped(*rows.out, text, length, true);
    rows.out->append("</TEXT>\n</CELL>\n</ROW>\n");
    flush_when_large(*rows.formatter, *rows.out);
}

// A Print leaves the check table for a print table of its own (and a message
// table) and then opens a fresh check table without a header row.
void append_print_row(SectionFormatter &formatter, Markup &out, const TestNode *check)
{
    out.append("</TABLE>\n<TABLE BORDER=\"1\" WIDTH=\"55,45\">\n<ROW>\n"
               "<CELL STYLE=\"Array\">\n<IMAGE NAME=\"arrow10.xpm\"/><LINK TARGET=\"");
    out.append(escaped_target(formatter, check->file_number));
    out.append(" line ");
    append_number(out, check->line);
    out.append("\">\n<TEXT>");
    append_escaped(out, check->text, true);
    out.append("</TEXT>\n</LINK>\n</CELL>\n<CELL STYLE=\"Array\">\n<TEXT>(x");
    append_number(out, counters_of(check).total_count);
    out.append(")</TEXT>\n</CELL>\n</ROW>\n</TABLE>\n");
    if (has_messages(check)) {
        out.append("<TABLE BORDER=\"0\" WIDTH=\"5,95\">\n");
        MessageRows rows{&formatter, &out};
        for_each_message(check, append_message_row, &rows);
        out.append("</TABLE>\n");
    }
    out.append(CHECK_TABLE_OPEN);
}

void append_stub_row(SectionFormatter &formatter, Markup &out, const TestNode *check)
{
    const CheckCounters counters = counters_of(check);
    const int style = counters.fail_count > 0 ? CELL_FAILED : CELL_PLAIN;
    out.append("<ROW>\n");
    append_link_cell(out, check->text, style, escaped_target(formatter, check->file_number), check->line);
    append_label_cell(out, style == CELL_FAILED ? escaped_status_label(VERDICT_FAILED) : labels.stub_executed,
                      style);
    append_cell_number(out, counters.entry_count, style);
    append_cell_number(out, counters.fail_count, style);
    append_cell_number(out, counters.pass_count, style);
    out.append("</ROW>\n");
}

void append_check_row(SectionFormatter &formatter, Markup &out, const TestNode *check)
{
    const CheckCounters counters = counters_of(check);
    out.append("<ROW>\n");
    if (counters.fail_count == 0 && counters.pass_count == 0) {
        append_link_cell(out, check->text, CELL_PLAIN, escaped_target(formatter, check->file_number), check->line);
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
        append_link_cell(out, check->text, style, escaped_target(formatter, check->file_number), check->line);
        append_label_cell(out, escaped_status_label(check->status), style);
        append_cell_number(out, counters.total_count, style);
        append_cell_number(out, counters.fail_count, style);
        append_cell_number(out, counters.pass_count, style);
    }
    out.append("</ROW>\n");
}

// One step of the walk in output order: a section's head with its depth and
// title tag number, the closing tag of the innermost open section, or the
// head (with its two tag numbers) or end of a Test Driver's file section.
enum StepKind : int8_t {
    STEP_SECTION,
    STEP_CLOSE,
    STEP_DRIVER,
    STEP_DRIVER_END,
};

struct SectionStep {
    const TestNode *node;
    int depth;
    int tag_number;
    StepKind kind;
};

// Everything of a section before its child sections: the open node element,
// the title and the check table.
void append_section_head(SectionFormatter &formatter, Markup &out, const SectionStep &step)
{
    const TestNode *node = step.node;
    const int slot = type_slot(node->type);
    const bool counted = node->type == NODE_TEST_CASE || node->type == NODE_PROC || node->type == NODE_STUB;
    const bool method = node->type == NODE_TEST_CASE || node->type == NODE_PROC;

    Markup &escaped_name = formatter.escaped_name;
    escaped_name.clear();
    append_escaped(escaped_name, node->text, true);
    append_tree_node(out, escaped_name, labels.escaped_type_names[slot], status_word(node->status),
                     counted ? 1 : 0, method ? ICON_METHOD : ICON_CLASS);
    append_title(out, labels.type_names[slot], node->text, step.depth, status_style(node->status),
                 step.tag_number);

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
            append_print_row(formatter, out, child);
        else if (stub)
            append_stub_row(formatter, out, child);
        else
            append_check_row(formatter, out, child);
        flush_when_large(formatter, out);
        if (formatter.over)
            return;
    }
    if (table_open)
        out.append("</TABLE>\n");
}

// A Test Driver's file section up to its children's sections: the node
// element, the section's open tag and the title.
void append_driver_head(SectionFormatter &formatter, Markup &out, const SectionStep &step)
{
    const TestNode *driver = step.node;
    const int slot = type_slot(NODE_TEST_DRIVER);
    Markup &escaped_name = formatter.escaped_name;
    escaped_name.clear();
    append_escaped(escaped_name, driver->text, true);
    append_tree_node(out, escaped_name, labels.escaped_type_names[slot], status_word(driver->status), 0,
                     ICON_TEST_SCRIPT);
    out.append("<SECTION TAG=\"rootx");
    append_number(out, step.tag_number);
    out.append("\">\n");
    append_title(out, labels.type_names[slot], driver->text, 0, status_style(driver->status),
                 step.tag_number + 1);
}

// The walk over the sections of some top-level nodes and their reportable
// descendants, taken a batch of steps at a time: the children of each
// driver given, or one node. The nesting is as deep as the tree, so the walk
// keeps an explicit stack of open sections instead of recursing. Tag
// numbers are taken here, in output order.
struct SectionWalk {
    const TestNode *next_top = nullptr;  // the next top-level node to offer
    bool top_siblings = false;           // whether next_top's siblings follow it
    int depth = 1;                       // of the top-level nodes
    // One entry per open section: the next of its children to offer.
    std::vector<const TestNode *> open;
    TestNode *const *drivers = nullptr;
    size_t driver_count = 0;
    size_t next_driver = 0;
    bool in_driver = false;
};

void take_steps(SectionWalk &walk, std::vector<SectionStep> &steps, size_t most)
{
    steps.clear();
    while (steps.size() < most) {
        const TestNode *node;
        int depth;
        if (walk.open.empty()) {
            node = walk.next_top;
            if (!node) {
                if (walk.in_driver) {
                    steps.push_back({nullptr, 0, 0, STEP_DRIVER_END});
                    walk.in_driver = false;
                    continue;
                }
                if (walk.next_driver == walk.driver_count)
                    return;
                const TestNode *driver = walk.drivers[walk.next_driver++];
                const int tag_number = take_tag_number();  // the section's, then the title's
                take_tag_number();
                steps.push_back({driver, 0, tag_number, STEP_DRIVER});
                walk.in_driver = true;
                walk.next_top = driver->first_child;
                walk.top_siblings = true;
                continue;
            }
            walk.next_top = walk.top_siblings ? static_cast<const TestNode *>(node->next_sibling) : nullptr;
            depth = walk.depth;
        } else {
            node = walk.open.back();
            if (!node) {
                steps.push_back({nullptr, 0, 0, STEP_CLOSE});
                walk.open.pop_back();
                continue;
            }
            walk.open.back() = node->next_sibling;
            depth = walk.depth + static_cast<int>(walk.open.size());
        }
        if (!is_reportable_section(node))
            continue;
        steps.push_back({node, depth, take_tag_number(), STEP_SECTION});
        walk.open.push_back(node->first_child);
    }
}

// Builds the markup of steps [from, steps.size()) into out. Returns
// steps.size(), or, for a formatter without a stream whose limit was passed,
// the step it gave up: that step's markup is taken back out, and the steps
// from there on are still to be built.
size_t format_steps(SectionFormatter &formatter, Markup &out, const std::vector<SectionStep> &steps,
                    size_t from)
{
    for (size_t i = from; i < steps.size(); ++i) {
        const size_t start = out.size();
        switch (steps[i].kind) {
        case STEP_SECTION: append_section_head(formatter, out, steps[i]); break;
        case STEP_CLOSE: out.append("</XROD:NODE>\n"); break;
        case STEP_DRIVER: append_driver_head(formatter, out, steps[i]); break;
        case STEP_DRIVER_END: out.append("</SECTION>\n</XROD:NODE>\n"); break;
        }
        flush_when_large(formatter, out);
        if (formatter.over) {
            out.truncate(start);
            return i;
        }
    }
    return steps.size();
}

// Builds steps [from, ...) on the calling thread and hands them to the
// stream. While the background writer writes the stream, the markup is built
// straight in its chunk, which it hands over whole: no copy.
void stream_steps(const std::vector<SectionStep> &steps, size_t from)
{
    static Markup own;
    Markup *chunk = background_writer_chunk(main_formatter.stream);
    own.clear();
    format_steps(main_formatter, chunk ? *chunk : own, steps, from);
    if (!chunk) {
        write_buffer(main_formatter.stream, own);
        own.clear();
    }
}

// A document's second formatting thread. Once a document has passed
// helper_after steps, the walk is cut into batches that alternate between
// the calling thread and the helper: the calling thread builds its own
// batches straight into the stream, the helper builds its batches into
// memory, and the calling thread hands the helper's markup on in its place,
// so the bytes are those of one thread alone. The helper holds up to two
// batches, the one after the calling thread's batch and the one after its
// next, so that it goes on with the second while the calling thread still
// builds. A batch whose markup would pass helper_limit (about one write
// chunk, which keeps the memory in flight that of the background writer's
// chunks) is left unfinished and completed by the calling thread, and the
// batches that follow are made shorter.
size_t helper_limit = size_t(1) << 20;
size_t helper_after = 4096;

struct HelperJob {
    std::vector<SectionStep> steps;
    Markup out;
    size_t stopped_at = 0;  // the first step not built
    bool done = false;
};

struct SectionHelper {
    std::thread *thread = nullptr;
    bool unavailable = false;  // none could be started: one thread builds all
    std::mutex lock;
    std::condition_variable changed;
    HelperJob jobs[2];  // by count given, modulo 2
    size_t given = 0;      // jobs handed to the helper so far
    size_t started = 0;    // of them, begun by the helper
    size_t collected = 0;  // of them, taken back by the calling thread
    bool ending = false;
};

SectionHelper helper;

void run_helper()
{
    SectionFormatter formatter;
    std::unique_lock<std::mutex> guard(helper.lock);
    for (;;) {
        helper.changed.wait(guard, [] { return helper.started < helper.given || helper.ending; });
        if (helper.ending)
            return;
        HelperJob &job = helper.jobs[helper.started++ % 2];
        guard.unlock();
        job.out.clear();
        formatter.limit = helper_limit;
        formatter.over = false;
        const size_t stopped_at = format_steps(formatter, job.out, job.steps, 0);
        guard.lock();
        job.stopped_at = stopped_at;
        job.done = true;
        helper.changed.notify_all();
    }
}

bool have_helper()
{
    return start_thread_once(helper.thread, helper.unavailable, run_helper);
}

// The job slot to fill next; it is free while fewer than two jobs are out.
HelperJob &helper_free_job()
{
    return helper.jobs[helper.given % 2];
}

void helper_give()
{
    std::lock_guard<std::mutex> guard(helper.lock);
    helper.jobs[helper.given % 2].done = false;
    ++helper.given;
    helper.changed.notify_all();
}

// Waits for the oldest job given and not taken back; the steps before its
// stopped_at are in its out. *idle tells whether the helper had nothing
// left to do, *waited whether it was still at this job.
HelperJob &helper_collect(bool *waited, bool *idle)
{
    std::unique_lock<std::mutex> guard(helper.lock);
    HelperJob &job = helper.jobs[helper.collected % 2];
    *waited = !job.done;
    helper.changed.wait(guard, [&job] { return job.done; });
    ++helper.collected;
    *idle = helper.started == helper.given && helper.jobs[(helper.given - 1) % 2].done;
    return job;
}

void helper_stop()
{
    stop_thread(helper.thread, helper.lock, helper.changed, helper.ending);
    helper.unavailable = false;
    for (HelperJob &job : helper.jobs)
        job = HelperJob();
    helper.given = helper.started = helper.collected = 0;
}

// Batches start small and grow while the helper's markup stays well below
// its limit, so that large reports change hands rarely.
const size_t first_batch_steps = 2;
const size_t largest_batch_steps = 512;

// The calling thread also walks the tree for both and hands the helper's
// markup on, and the helper shares a processor with the background writer
// more often: an even split of the steps would leave one of them waiting.
// The calling thread's batch is made longer while it has to wait for the
// helper's markup, up to twice the helper's, and shorter while the helper
// has run out of work when it comes for it.
size_t own_batch_steps(size_t own, bool waited, bool idle, size_t batch)
{
    if (waited)
        own += own / 8 + 1;
    else if (idle)
        own -= own / 8;
    return std::min(std::max(own, first_batch_steps), 2 * batch);
}

// Writes everything the walk gives to stream.
void write_sections(FILE *stream, SectionWalk &walk)
{
    if (!labels_pinned) {
        load_labels();
        main_formatter.targets = TargetCache();
    }
    main_formatter.stream = stream;
    // Both threads work while labels are pinned, which keeps them unchanged.
    // The calling thread's batch of this round and of the next; each may be
    // followed by a batch given to the helper, taken before the next round
    // is built so that the helper has it in time.
    static std::vector<SectionStep> mine, next_mine;
    size_t batch = first_batch_steps;
    // Steps of the calling thread's batch while the helper works, as
    // own_batch_steps finds them; never more than twice the helper's.
    size_t own = largest_batch_steps;
    size_t steps_taken = 0;
    bool followed = false;  // a helper's batch follows mine
    take_steps(walk, mine, batch);
    steps_taken += mine.size();
    while (!mine.empty()) {
        take_steps(walk, next_mine, followed ? std::min(own, 2 * batch) : batch);
        steps_taken += next_mine.size();
        bool next_followed = false;
        if (!next_mine.empty() && labels_pinned && steps_taken >= helper_after && have_helper()) {
            HelperJob &job = helper_free_job();
            take_steps(walk, job.steps, batch);
            steps_taken += job.steps.size();
            if (!job.steps.empty()) {
                helper_give();
                next_followed = true;
            }
        }
        stream_steps(mine, 0);
        if (followed) {
            bool waited, idle;
            HelperJob &job = helper_collect(&waited, &idle);
            own = own_batch_steps(own, waited, idle, batch);
            const size_t built = job.out.size();
            if (!background_writer_give(stream, job.out))
                write_buffer(stream, job.out);
            job.out.clear();
            if (job.stopped_at < job.steps.size()) {
                stream_steps(job.steps, job.stopped_at);
                batch = std::max(first_batch_steps, job.stopped_at);
            } else if (built < helper_limit / 2) {
                batch = std::min(batch * 2, largest_batch_steps);
            }
        } else {
            batch = std::min(batch * 2, largest_batch_steps);
        }
        mine.swap(next_mine);
        followed = next_followed;
    }
}

}  // namespace

void begin_section_document()
{
    load_labels();
    main_formatter.targets = TargetCache();
    labels_pinned = true;
}

void end_section_document()
{
    helper_stop();
    labels_pinned = false;
    main_formatter = SectionFormatter();
}

void write_node_section(TestNode *node, void *section_context)
{
    const SectionContext *context = static_cast<const SectionContext *>(section_context);
    if (!context)
        return;
    SectionWalk walk;
    walk.next_top = node;
    walk.depth = context->depth;
    write_sections(context->stream, walk);
}

void set_section_helper_limits(size_t after_steps, size_t bytes)
{
    helper_after = after_steps;
    helper_limit = bytes;
}

void write_driver_sections(FILE *stream, TestNode *const *drivers, size_t count)
{
    SectionWalk walk;
    walk.drivers = drivers;
    walk.driver_count = count;
    write_sections(stream, walk);
}
