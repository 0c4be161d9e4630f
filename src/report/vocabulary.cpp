#include "report/vocabulary.h"

#include <QCoreApplication>

namespace {

// Display names, indexed by NodeType; null marks values that name no type.
const char *const type_names[] = {
    /* 0 */ nullptr,
    /* 1 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Prologue"),
    /* 2 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Epilogue"),
    /* 3 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Expression"),
    /* 4 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Checksum"),
    /* 5 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Class"),
    /* 6 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Method"),
    /* 7 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Comment"),
    /* 8 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Call"),
    /* 9 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Stub"),
    /* 10 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Exception"),
    /* 11 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Check Property"),
    /* 12 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Post Condition"),
    /* 13 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Expression"),
    /* 14 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "# "),
    /* 15 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Driver"),
    /* 16 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Invariant"),
    /* 17 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Proc"),
    /* 18 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Print"),
    /* 19 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Property"),
    /* 20 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Run Component"),
    /* 21 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Pre Condition"),
    /* 22 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Run"),
    /* 23 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Stub"),
    /* 24 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Single Class"),
    /* 25 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "State"),
    /* 26 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Case"),
    /* 27 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Class"),
    /* 28 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Transition"),
    /* 29 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Suite"),
    /* 30 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Method Contract"),
    /* 31 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Observation State"),
    /* 32 */ nullptr,
    /* 33 */ nullptr,
    /* 34 */ nullptr,
    /* 35 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Compiler Version"),
    /* 36 */ QT_TRANSLATE_NOOP("ZOLTGEN KvsType", "Test Compilation Time"),
};
const int type_count = sizeof type_names / sizeof type_names[0];

}  // namespace

const char *type_source_name(int type)
{
    return type >= 0 && type < type_count ? type_names[type] : nullptr;
}

QString type_name(int type)
{
    const char *name = type_source_name(type);
    if (!name)
        return QStringLiteral("-~");
    return QCoreApplication::translate("ZOLTGEN KvsType", name);
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
