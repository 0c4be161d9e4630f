// The classes of node types: which types are sections of the report (scopes
// with a title and a table), which are checks (counted results), and which
// are executable scopes (counted as cases in the summary). Facts of the tree,
// used by the readers, the roll-up and the report alike; the translated type
// names are the report's (report/vocabulary.h).
#pragma once

bool is_section_type(int type);
bool is_check_type(int type);
bool is_executable_type(int type);
