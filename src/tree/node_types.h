// The classes of node types: which types are sections of the report (scopes
// with a title and a table), which are checks (counted results), and which
// are executable scopes (counted as cases in the summary). Facts of the tree,
// used by the readers, the roll-up and the report alike; the translated type
// names are the report's (report/vocabulary.h).
#pragma once

// Inline: the readers ask for every result they place.
namespace node_type_classes {

enum TypeClass { SECTION = 1, CHECK = 2, EXECUTABLE = 4 };

// Indexed by NodeType, 0 to 36; types outside belong to no class.
inline constexpr unsigned char type_classes[] = {
    /* 0 to 2: none, Prologue, Epilogue */ 0, 0, 0,
    /* 3 Check Expression */ CHECK,
    /* 4 Checksum, 5 Class */ 0, 0,
    /* 6 Check Method, 7 Comment */ CHECK, CHECK,
    /* 8 Call */ 0,
    /* 9 Check Stub */ CHECK | EXECUTABLE,
    /* 10 Check Exception, 11 Check Property, 12 Post Condition */ CHECK, CHECK, CHECK,
    /* 13 Expression, 14 "# " */ 0, 0,
    /* 15 Test Driver */ SECTION,
    /* 16 Invariant */ CHECK,
    /* 17 Proc */ SECTION | EXECUTABLE,
    /* 18 Print */ CHECK,
    /* 19 Property, 20 Run Component */ 0, 0,
    /* 21 Pre Condition */ CHECK,
    /* 22 Run */ 0,
    /* 23 Stub */ SECTION | EXECUTABLE,
    /* 24 Single Class */ 0,
    /* 25 State */ CHECK,
    /* 26 Test Case */ SECTION | EXECUTABLE,
    /* 27 Test Class */ SECTION,
    /* 28 Transition */ CHECK,
    /* 29 Test Suite */ SECTION,
    /* 30 Method Contract */ 0,
    /* 31 Observation State */ CHECK,
    /* 32 to 36 */ 0, 0, 0, 0, 0,
};
inline constexpr int type_count = sizeof type_classes / sizeof type_classes[0];

inline int classes_of(int type)
{
    return type >= 0 && type < type_count ? type_classes[type] : 0;
}

}  // namespace node_type_classes

inline bool is_section_type(int type)
{
    return node_type_classes::classes_of(type) & node_type_classes::SECTION;
}

inline bool is_check_type(int type)
{
    return node_type_classes::classes_of(type) & node_type_classes::CHECK;
}

inline bool is_executable_type(int type)
{
    return node_type_classes::classes_of(type) & node_type_classes::EXECUTABLE;
}
