// The results document, written in one pass: the XML declaration and the
// XROD / APIDOC / DOCUMENT frame; the report information section (product
// identification, the project values of the studio header, the results path,
// the time of generation and the passed / failed / total counts of test
// cases, procedures and stubs); then one file section per reportable Test
// Driver, newest file section first, whose content below the driver comes
// from the node section writer.
//
// The stream gets a large buffer; write and close failures are detected once
// at the end and reported to the caller. A regular results file is replaced
// only by a complete document (results_file.h): after a failure the old file
// is left as it was.
#include "report/jresfile.h"

#include "diagnostics/memory.h"
#include "diagnostics/identity.h"
#include "diagnostics/threads.h"
#include "project/header.h"
#include "report/background_writer.h"
#include "report/emitter.h"
#include "report/escape.h"
#include "report/results_file.h"
#include "report/sections.h"

#include <QCoreApplication>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

// The stream's own buffer. The report reaches the stream in pieces of a
// megabyte or more, and the C library writes the whole blocks of buffer
// size in such a piece straight from it, copying only what is left over:
// with a buffer as large as the pieces, it would copy every byte once more.
#ifndef TALLY_RESULTS_BUFFER_SIZE
#define TALLY_RESULTS_BUFFER_SIZE (64 << 10)  // smaller in fuzz builds
#endif
const size_t STREAM_BUFFER_SIZE = TALLY_RESULTS_BUFFER_SIZE;

const char IDENTIFICATION_ROW_OPEN[] = "<ROW STYLE=\"Array Title\"><CELL_TEXT COLSPAN=\"1\" ROWSPAN=\"0\">";
const char IDENTIFICATION_ROW_CLOSE[] = "</CELL_TEXT></ROW>";

// A file node that exists and has a verdict of its own: it is counted in the
// summary and gets a file section.
bool is_reportable_driver(const TestNode *node)
{
    return node && node->status != VERDICT_NOT_EXECUTED && node->status != VERDICT_NONE;
}

// The verdicts of every reportable file section. Counting visits every node
// of the tree, which takes a while for a large one and holds up everything
// after the document's head: the second half of the sections is counted on
// a second thread, when there is one. Counting only reads the tree.
VerdictTotals count_reportable_verdicts()
{
    const auto count_sections = [](int from, int to, VerdictTotals *totals) {
        for (int i = from; i < to; ++i) {
            TestNode *driver = file_node_at(i);
            if (is_reportable_driver(driver))
                count_verdicts(driver, totals);
        }
    };
    const int count = file_count();
    const int half = count / 2;
    VerdictTotals first = {0, 0}, second = {0, 0};
    std::thread other;
    const bool split = half > 0 && try_start_thread(other, [&] { count_sections(half, count, &second); });
    count_sections(0, split ? half : count, &first);
    if (split)
        other.join();
    return {first.passed + second.passed, first.failed + second.failed};
}

QString information_label(const char *source)
{
    return QCoreApplication::translate("TALLYGEN global information", source);
}

void append_identity_text(Markup &out, const char *source)
{
    append_escaped(out, QCoreApplication::translate(IDENTITY_CONTEXT, source), true);
}

void append_information_row(Markup &out, const QString &label, const char *value)
{
    append_cell_text(out, label, CELL_PLAIN);
    append_cell_text(out, value, CELL_PLAIN);
    append_tag(out, "ROW", true);
}

void append_summary_row(Markup &out, const QString &label, long long count, int style)
{
    append_tag(out, "ROW", false);
    append_cell_text(out, label, style);
    append_cell_number(out, count, style);
    append_tag(out, "ROW", true);
}

void append_document_tag(Markup &out, const char *path, const char *node_name)
{
    // Both values are converted and escaped like every other text, but keep
    // their white space: without a node name the tag reads TAG=" x0".
    out.append("<DOCUMENT TITLE=\"");
    append_escaped(out, path, false);
    out.append("\" TAG=\"");
    if (node_name)
        append_escaped(out, node_name, false);
    else
        out.append(" ");
    out.append("x");
    append_number(out, take_tag_number());
    out.append("\">\n");
}

void append_information_section(Markup &out, const char *path, bool header)
{
    out.append("<SECTION TAG=\"filex");
    append_number(out, take_tag_number());
    out.append("\">\n");
    append_title(out, information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Report Information")),
                 0, CELL_PLAIN, take_tag_number());
    append_tag(out, "TABLE BORDER=\"1\"", false);

    out.append(IDENTIFICATION_ROW_OPEN);
    append_identity_text(out, PRODUCT_NAME);
    out.append(" ");
    append_identity_text(out, PRODUCT_TITLE);
    out.append(IDENTIFICATION_ROW_CLOSE);
    out.append(IDENTIFICATION_ROW_OPEN);
    append_identity_text(out, LEGAL_OWNER);
    out.append(IDENTIFICATION_ROW_CLOSE);
    append_tag(out, "ROW", false);

    const std::string time_text = generation_time_text();
    struct InformationRow {
        const char *label;
        const char *value;
    };
    const InformationRow rows[] = {
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Project"), header ? project_name() : " "},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Project File"), header ? project_file() : " "},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Project Configuration"),
         header ? configuration_name() : " "},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Workspace"), header ? workspace_name() : " "},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Test Node"), header ? test_node_name() : " "},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Report File"), path},
        {QT_TRANSLATE_NOOP("TALLYGEN global information", "Generation Time"), time_text.c_str()},
    };
    const int row_count = sizeof rows / sizeof rows[0];
    for (int i = 0; i < row_count; ++i) {
        append_information_row(out, information_label(rows[i].label), rows[i].value);
        if (i + 1 < row_count)
            append_tag(out, "ROW", false);
    }

    const VerdictTotals totals = count_reportable_verdicts();
    append_summary_row(out, information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Passed")),
                       totals.passed, totals.failed == 0 ? CELL_PASSED : CELL_PLAIN);
    append_summary_row(out, information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Failed")),
                       totals.failed, totals.failed > 0 ? CELL_FAILED : CELL_PLAIN);
    append_summary_row(out, information_label(QT_TRANSLATE_NOOP("TALLYGEN global information", "Total")),
                       static_cast<long long>(totals.passed) + totals.failed, CELL_PLAIN);
    append_tag(out, "TABLE", true);
    append_tag(out, "SECTION", true);
}

}  // namespace

std::string generation_time_text()
{
    const time_t now = time(nullptr);
    const struct tm *local = localtime(&now);
    const char *text = local ? asctime(local) : nullptr;
    if (!text)
        return std::string();
    std::string result(text);
    // Only the newline at the end of the fixed layout, found among positions
    // 20 to 29, ends the text.
    for (size_t i = 20; i <= 29 && i < result.size(); ++i) {
        if (result[i] == '\n') {
            result.resize(i);
            break;
        }
    }
    return result;
}

void count_verdicts(TestNode *node, VerdictTotals *totals)
{
    // Pre-order over node, its following siblings and all their descendants,
    // through the parent links so that no depth of tree needs a stack.
    int depth = 0;
    const TestNode *current = node;
    while (current) {
        const int32_t type = current->type;
        if (type == NODE_PROC || type == NODE_STUB || type == NODE_TEST_CASE) {
            if (current->status == VERDICT_PASSED)
                ++totals->passed;
            else if (current->status == VERDICT_FAILED)
                ++totals->failed;
        }
        if (current->first_child) {
            current = current->first_child;
            ++depth;
            continue;
        }
        while (!current->next_sibling) {
            if (depth == 0)
                return;
            current = current->parent;
            --depth;
        }
        current = current->next_sibling;
    }
}

int write_results_file(const char *path)
{
    // Read before anything is written: the header may be the results file.
    const bool header = open_project_header() == 1;
    ResultsFile file;
    if (results_file_open(path, &file) != 0) {
        if (header)
            release_project_info();
        return WRITE_OPEN_FAILED;
    }
    FILE *stream = file.stream;
    char *stream_buffer = static_cast<char *>(mem_alloc(STREAM_BUFFER_SIZE));
    setvbuf(stream, stream_buffer, _IOFBF, STREAM_BUFFER_SIZE);

    begin_section_document();
    background_writer_begin(stream, !file.replaces);

    Markup out;
    out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    append_tag(out, "XROD", false);
    append_tag(out, "APIDOC", false);
    append_document_tag(out, path, header ? test_node_name() : nullptr);
    append_information_section(out, path, header);
    write_buffer(stream, out);
    if (header)
        release_project_info();

    std::vector<TestNode *> drivers;
    const int count = file_count();
    for (int i = 0; i < count; ++i) {
        TestNode *driver = file_node_at(i);
        if (is_reportable_driver(driver))
            drivers.push_back(driver);
    }
    write_driver_sections(stream, drivers.data(), drivers.size());

    out.clear();
    append_tag(out, "DOCUMENT", true);
    append_tag(out, "APIDOC", true);
    append_tag(out, "XROD", true);
    write_buffer(stream, out);
    background_writer_end();
    end_section_document();

    const bool committed = results_file_commit(&file) == 0;
    mem_free(stream_buffer);
    return committed ? WRITE_OK : WRITE_STREAM_FAILED;
}
