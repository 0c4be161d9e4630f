// Paths are interned as (parent path number, name) pairs, so that a scope's
// path number comes from its parent's in constant time and no path is built
// as text except for the cases that changed.
#include "baseline.h"

#include <QCoreApplication>
#include <QHash>
#include <QPair>
#include <algorithm>

namespace {

const int SHOWN_PATH_DEPTH = 12;

using path_table = QHash<QPair<int, QString>, int>;

// Per scope: the number of its path, and for a case which occurrence of that
// path it is (0 for the first case with the path).
struct case_keys {
    std::vector<int> path;
    std::vector<int> occurrence;
};

case_keys key_cases(const std::vector<view_scope> &scopes, path_table &paths)
{
    case_keys keys;
    keys.path.resize(scopes.size());
    keys.occurrence.assign(scopes.size(), 0);
    QHash<int, int> seen;
    for (size_t i = 0; i < scopes.size(); ++i) {
        const int parent = scopes[i].parent >= 0 ? keys.path[static_cast<size_t>(scopes[i].parent)] : -1;
        const QPair<int, QString> key(parent, display_name(scopes[i]));
        auto found = paths.constFind(key);
        if (found == paths.constEnd())
            found = paths.insert(key, static_cast<int>(paths.size()));
        keys.path[i] = found.value();
        if (scopes[i].kind == scope_kind::counted)
            keys.occurrence[i] = seen[found.value()]++;
    }
    return keys;
}

quint64 case_key(const case_keys &keys, size_t index)
{
    return static_cast<quint64>(static_cast<quint32>(keys.path[index])) << 32
           | static_cast<quint32>(keys.occurrence[index]);
}

case_change change_of(scope_state now, scope_state before)
{
    const bool failed_now = now == scope_state::failed;
    const bool failed_before = before == scope_state::failed;
    if (failed_now)
        return failed_before ? case_change::still_failing : case_change::newly_failing;
    if (failed_before && now == scope_state::passed)
        return case_change::fixed;
    return case_change::none;
}

}  // namespace

QString scope_path(const std::vector<view_scope> &scopes, int index)
{
    QStringList names;
    for (int at = index; at >= 0; at = scopes[static_cast<size_t>(at)].parent) {
        if (names.size() == SHOWN_PATH_DEPTH) {
            names.prepend(QStringLiteral("\u2026"));
            break;
        }
        names.prepend(display_name(scopes[static_cast<size_t>(at)]));
    }
    return names.join(QLatin1Char('/'));
}

void compare_with_baseline(view_results &current, const view_results &baseline, const QString &baseline_name)
{
    current.baseline = baseline_name;
    current.changes.clear();
    path_table paths;
    const case_keys now = key_cases(current.scopes, paths);
    const case_keys before = key_cases(baseline.scopes, paths);

    QHash<quint64, int> earlier;  // case key -> baseline scope
    for (size_t i = 0; i < baseline.scopes.size(); ++i) {
        if (baseline.scopes[i].kind == scope_kind::counted)
            earlier.insert(case_key(before, i), static_cast<int>(i));
    }
    for (size_t i = 0; i < current.scopes.size(); ++i) {
        view_scope &scope = current.scopes[i];
        if (scope.kind != scope_kind::counted)
            continue;
        const auto match = earlier.constFind(case_key(now, i));
        if (match == earlier.constEnd()) {
            if (baseline.complete || scope.state != scope_state::not_executed)
                scope.change = case_change::added;
        } else {
            scope.change = change_of(scope.state, baseline.scopes[static_cast<size_t>(match.value())].state);
            earlier.erase(match);
        }
        if (scope.change != case_change::none)
            current.changes.push_back({scope.change, scope_path(current.scopes, static_cast<int>(i)),
                                       static_cast<int>(i)});
    }
    // What is left of the baseline is gone from the run; in page order.
    std::vector<int> gone;
    for (auto it = earlier.constBegin(); it != earlier.constEnd(); ++it) {
        if (current.complete || baseline.scopes[static_cast<size_t>(it.value())].state != scope_state::not_executed)
            gone.push_back(it.value());
    }
    std::sort(gone.begin(), gone.end());
    for (int index : gone)
        current.changes.push_back({case_change::removed, scope_path(baseline.scopes, index), -1});
}

QString change_label(case_change change)
{
    switch (change) {
    case case_change::newly_failing: return QCoreApplication::translate("tallyview", "newly failing");
    case case_change::fixed: return QCoreApplication::translate("tallyview", "fixed");
    case case_change::still_failing: return QCoreApplication::translate("tallyview", "still failing");
    case case_change::added: return QCoreApplication::translate("tallyview", "new");
    case case_change::removed: return QCoreApplication::translate("tallyview", "removed");
    default: return QString();
    }
}

long long change_count(const view_results &results, case_change change)
{
    long long count = 0;
    for (const view_change &entry : results.changes)
        count += entry.change == change ? 1 : 0;
    return count;
}
