#include "report/vocabulary.h"

#include <QCoreApplication>

namespace {

enum TypeClass { SECTION = 1, CHECK = 2, EXECUTABLE = 4 };

struct TypeRow {
    const char *name;
    int classes;
};

// Indexed by NodeType; null names mark values that name no type.
const TypeRow type_rows[] = {
    /* 0 */ {nullptr, 0},
    /* 1 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Prologue"), 0},
    /* 2 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Epilogue"), 0},
    /* 3 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Expression"), CHECK},
    /* 4 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Checksum"), 0},
    /* 5 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Class"), 0},
    /* 6 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Method"), CHECK},
    /* 7 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Comment"), CHECK},
    /* 8 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Call"), 0},
    /* 9 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Stub"), CHECK | EXECUTABLE},
    /* 10 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Exception"), CHECK},
    /* 11 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Property"), CHECK},
    /* 12 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Post Condition"), CHECK},
    /* 13 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Expression"), 0},
    /* 14 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "# "), 0},
    /* 15 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Driver"), SECTION},
    /* 16 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Invariant"), CHECK},
    /* 17 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Proc"), SECTION | EXECUTABLE},
    /* 18 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Print"), CHECK},
    /* 19 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Property"), 0},
    /* 20 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Run Component"), 0},
    /* 21 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Pre Condition"), CHECK},
    /* 22 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Run"), 0},
    /* 23 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Stub"), SECTION | EXECUTABLE},
    /* 24 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Single Class"), 0},
    /* 25 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "State"), CHECK},
    /* 26 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Case"), SECTION | EXECUTABLE},
    /* 27 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Class"), SECTION},
    /* 28 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Transition"), CHECK},
    /* 29 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Suite"), SECTION},
    /* 30 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Method Contract"), 0},
    /* 31 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Observation State"), CHECK},
    /* 32 */ {nullptr, 0},
    /* 33 */ {nullptr, 0},
    /* 34 */ {nullptr, 0},
    /* 35 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Compiler Version"), 0},
    /* 36 */ {QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Compilation Time"), 0},
};
const int type_row_count = sizeof type_rows / sizeof type_rows[0];

int classes_of(int type)
{
    return type >= 0 && type < type_row_count ? type_rows[type].classes : 0;
}

}  // namespace

const char *type_source_name(int type)
{
    return type >= 0 && type < type_row_count ? type_rows[type].name : nullptr;
}

QString type_name(int type)
{
    const char *name = type_source_name(type);
    if (!name)
        return QStringLiteral("-~");
    return QCoreApplication::translate("ZOLTGEN KvsType", name);
}

bool is_section_type(int type)
{
    return classes_of(type) & SECTION;
}

bool is_check_type(int type)
{
    return classes_of(type) & CHECK;
}

bool is_executable_type(int type)
{
    return classes_of(type) & EXECUTABLE;
}

const char *status_word(int verdict)
{
    switch (verdict) {
    case 3: return "ok";
    case 2: return "ko";
    default: return "NE";
    }
}

QString status_label(int verdict)
{
    switch (verdict) {
    case 3: return QCoreApplication::translate("TALLYGEN status", "Passed");
    case 2: return QCoreApplication::translate("TALLYGEN status", "Failed");
    default: return QCoreApplication::translate("TALLYGEN status", "Not Executed");
    }
}

int status_style(int verdict)
{
    switch (verdict) {
    case 0:
    case 1: return 1;
    case 2:
    case 4: return 2;
    case 3: return 3;
    default: return 0;
    }
}

QString check_heading(int column)
{
    static const char *const headings[5] = {
        QT_TRANSLATE_NOOP("ZOLTGEN Cell text", "Expression"), QT_TRANSLATE_NOOP("ZOLTGEN Cell text", "Status"),
        QT_TRANSLATE_NOOP("ZOLTGEN Cell text", "Executed"), QT_TRANSLATE_NOOP("ZOLTGEN Cell text", "Failed"),
        QT_TRANSLATE_NOOP("ZOLTGEN Cell text", "Passed"),
    };
    return column >= 0 && column < 5 ? QCoreApplication::translate("ZOLTGEN Cell text", headings[column]) : QString();
}

QString stub_heading(int column)
{
    static const char *const headings[5] = {
        QT_TRANSLATE_NOOP("TALLYGEN Stub row title", "Expression"),
        QT_TRANSLATE_NOOP("TALLYGEN Stub row title", "Status"),
        QT_TRANSLATE_NOOP("TALLYGEN Stub row title", "entermethod()"),
        QT_TRANSLATE_NOOP("TALLYGEN Stub row title", "fail()"),
        QT_TRANSLATE_NOOP("TALLYGEN Stub row title", "exitmethod()"),
    };
    return column >= 0 && column < 5 ? QCoreApplication::translate("TALLYGEN Stub row title", headings[column])
                                     : QString();
}

QString stub_executed_label()
{
    return QCoreApplication::translate("TALLYGEN Stub", "Executed");
}
