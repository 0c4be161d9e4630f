// What tallyview shows of a run: the report information and summary at its
// head, and the scopes of the node tree in document order (pre-order), each
// with the rows of its check table. It is filled from a results file (every
// label is the text the file carries, so a translated report stays
// translated) or from the traces themselves (labels from the same catalogues
// tallyrpt uses; see trace_model.h), and may carry the comparison with an
// earlier run (baseline.h). The writers read only this.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The look of a table row or summary cell, taken from its STYLE word.
enum class row_verdict { plain, passed, failed };

// The state attribute of a tree node: "ok", "ko", anything else.
enum class scope_state { passed, failed, not_executed };

// Test Drivers are the top-level nodes; counted scopes (Test Case, Proc,
// Stub) carry sum="1"; every other scope (Test Suite, Test Class) groups.
enum class scope_kind { driver, group, counted };

enum class row_kind { check, print };

// A source reference of a LINK target "<path> line <n>".
struct source_ref {
    QString path;
    int line = -1;  // -1: the target named no line
};

// How a case compares with the same case (same path of scope names) in an
// earlier run.
enum class case_change { none, newly_failing, fixed, still_failing, added, removed };

struct view_row {
    row_kind kind = row_kind::check;
    // A Print is plain in a results file; read from the traces, a Print that
    // took a failed result is failed like any check.
    row_verdict verdict = row_verdict::plain;
    QString text;
    source_ref source;
    bool has_source = false;
    QStringList cells;     // check: status and counts; print: its "(xN)"
    QStringList messages;  // the messages recorded on it (checks: from the traces only)
};

struct view_scope {
    QString name;       // the name attribute
    QString type_name;  // the type attribute, as translated in the file
    QString title;      // the title text
    scope_state state = scope_state::not_executed;
    scope_kind kind = scope_kind::group;
    int parent = -1;    // index into view_results::scopes, -1 for a driver
    int driver = -1;    // the Test Driver this scope belongs to (itself for one)
    int header = -1;    // index into view_results::headers, -1 when none
    QString source_path;  // a driver's source file, when known
    case_change change = case_change::none;
    std::vector<view_row> rows;
};

struct view_info_row {
    QString label;
    QString value;
};

struct view_count {
    QString label;
    long long count = 0;
    row_verdict verdict = row_verdict::plain;
};

// A case of the baseline that the run no longer has keeps only its path.
struct view_change {
    case_change change = case_change::none;
    QString path;    // scope names from the driver down, joined by "/"
    int scope = -1;  // index into view_results::scopes, -1 for a removed case
};

struct view_results {
    QString document_title;        // the DOCUMENT's TITLE: the results path
    QString info_title;            // "Report Information", as translated
    QString project;               // the project name, when the studio header gave one
    QStringList identification;    // the generator's name and notice lines
    std::vector<view_info_row> info;
    view_count passed, failed, total;
    view_count not_executed;       // counted from the traces only; no label otherwise
    // Read from the traces: every case of the static traces is there, run or
    // not. A results file leaves out the scopes no executed check reached.
    bool complete = false;
    std::vector<QStringList> headers;  // distinct check-table header rows
    std::vector<view_scope> scopes;    // document order: parents first
    QString language;                  // the report's language ("fr"), empty when unknown
    QString baseline;                  // the earlier run compared with, or empty
    std::vector<view_change> changes;  // changed cases, in page order, removed ones last
};

// "Array Failed" and "Array Passed" give their verdict; every other style
// word is plain.
row_verdict verdict_of_style(const QString &style);

scope_state state_of_word(const QString &word);

// Splits a LINK target "<path> line <n>" (the path may be empty or hold
// spaces); a target without the " line <n>" ending is all path.
source_ref parse_link_target(const QString &target);

// True for "/..." and for drive paths "C:\..." or "C:/...".
bool is_absolute_source_path(const QString &path);

// The Java package a source path shows: the folders after a "java" folder,
// else after "src/test", joined by dots; empty when it shows none.
QString java_package(const QString &path);

// A scope's name for outputs: its name simplified, else its type name, else "-".
QString display_name(const view_scope &scope);

// "path:line", or the path alone when there is no line.
QString source_label(const source_ref &source);

// A file:// URL for an absolute path, empty for a relative one.
QString source_url(const source_ref &source);

// The generation time of the information rows (the value in the fixed
// "Www Mmm d hh:mm:ss yyyy" layout, whatever its label) as
// "yyyy-MM-ddThh:mm:ss", or empty when there is none.
QString generation_timestamp(const view_results &results);
