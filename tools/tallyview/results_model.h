// What tallyview keeps of a results file: the report information and summary
// at its head, and the scopes of the node tree in document order (pre-order),
// each with the rows of its check table. The HTML and JUnit writers read only
// this; every label in it is the text the results file itself carries, so a
// translated report stays translated.
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

struct view_row {
    row_kind kind = row_kind::check;
    row_verdict verdict = row_verdict::plain;
    QString text;
    source_ref source;
    bool has_source = false;
    QStringList cells;     // check: status and counts; print: its "(xN)"
    QStringList messages;  // print: the messages recorded on it
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

struct view_results {
    QString document_title;        // the DOCUMENT's TITLE: the results path
    QString info_title;            // "Report Information", as translated
    QStringList identification;    // the generator's name and notice lines
    std::vector<view_info_row> info;
    view_count passed, failed, total;
    std::vector<QStringList> headers;  // distinct check-table header rows
    std::vector<view_scope> scopes;    // document order: parents first
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

// "path:line", or the path alone when there is no line.
QString source_label(const source_ref &source);

// A file:// URL for an absolute path, empty for a relative one.
QString source_url(const source_ref &source);

// The generation time of the information rows (the value in the fixed
// "Www Mmm d hh:mm:ss yyyy" layout, whatever its label) as
// "yyyy-MM-ddThh:mm:ss", or empty when there is none.
QString generation_timestamp(const view_results &results);
