// Comparison with an earlier run (the baseline): each case (Test Case, Proc,
// Stub) of the run is matched with the baseline's case of the same path of
// scope names, from the Test Driver down; when several cases share a path,
// the first matches the first, the second the second, and so on. A case is
// then newly failing, fixed, still failing, new (no match) or unchanged; a
// case of the baseline that the run no longer has is removed.
//
// A results file leaves out the cases that no executed check reached, so a
// case absent from such a file is taken as new or removed only when it ran.
#pragma once

#include "results_model.h"

// Marks current's cases and fills current.changes; baseline_name goes to
// current.baseline.
void compare_with_baseline(view_results &current, const view_results &baseline, const QString &baseline_name);

// The scope names from the driver down to the scope, joined by "/"; a very
// deep path keeps its last names after an ellipsis.
QString scope_path(const std::vector<view_scope> &scopes, int index);

// The translated word of a change: "newly failing", "fixed", ...; empty for none.
QString change_label(case_change change);

// How many of the run's changes are of this kind.
long long change_count(const view_results &results, case_change change);

// The five changes in the order they are shown.
inline const case_change shown_changes[] = {case_change::newly_failing, case_change::fixed,
                                            case_change::still_failing, case_change::added, case_change::removed};
