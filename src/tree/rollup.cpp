// The verdict roll-up: three passes over every file tree, each visiting a
// node after all of its descendants.
//  1. settle_status judges check nodes from their counters (or from their
//     check children) and hands every node's verdict to its parent;
//  2. mark_scope_status gives every non-check node that did not fail the
//     "no verdict of its own" value;
//  3. spread_status combines every executed check's verdict into all of its
//     ancestors, and lets nodes with identifier 0 take in their children.
//
// combine_status keeps the stronger verdict in the order failed, not
// executed, passed, executed, no verdict: it is a maximum, so the order in
// which verdicts are combined never matters. Pass 3 relies on that: instead
// of climbing to the root for each executed check (quadratic on deep
// nesting), it leaves what would climb as a pending value on the parent and
// applies it when the parent is visited, which the post-order walk does
// before anyone reads the parent's status.
#include "tree/rollup.h"

#include "diagnostics/threads.h"
#include "tree/node_types.h"

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

// combination[first][second]
const int32_t combination[5][5] = {
    {0, 0, 2, 0, 0},
    {0, 1, 2, 3, 1},
    {2, 2, 2, 2, 2},
    {0, 3, 2, 3, 3},
    {0, 1, 2, 3, 4},
};

// Values outside 0..4 never reach the roll-up; they are taken as "not
// executed", the meaning the report gives every such value.
int32_t known_verdict(int32_t value)
{
    return value >= 0 && value <= 4 ? value : VERDICT_NOT_EXECUTED;
}

// Pass 3 as used by roll_up_verdicts: verdicts still to be combined into a
// node that the walk has not reached yet. Pending nodes are always ancestors
// of the node being visited, so the newest entry is the only one a visit can
// concern: a stack.
struct SpreadState {
    std::vector<std::pair<TestNode *, int32_t>> pending;
};

void leave_pending(SpreadState &state, TestNode *node, int32_t verdict)
{
    if (!node)
        return;
    if (!state.pending.empty() && state.pending.back().first == node)
        state.pending.back().second = combine_status(verdict, state.pending.back().second);
    else
        state.pending.emplace_back(node, verdict);
}

void climb_with(TestNode *from, int32_t verdict)
{
    for (TestNode *ancestor = from; ancestor; ancestor = ancestor->parent)
        ancestor->status = combine_status(verdict, ancestor->status);
}

void spread_with_state(TestNode *node, SpreadState &state)
{
    // What the checks below would have climbed into this node, and through
    // it into its ancestors.
    int32_t from_below = VERDICT_NONE;
    bool have_from_below = false;
    if (!state.pending.empty() && state.pending.back().first == node) {
        from_below = state.pending.back().second;
        have_from_below = true;
        state.pending.pop_back();
        node->status = combine_status(from_below, node->status);
    }

    if (is_check_type(node->type) && node->status != VERDICT_NOT_EXECUTED) {
        leave_pending(state, node->parent, node->status);
    } else {
        if (node->identifier == 0)
            for (TestNode *child = node->first_child; child; child = child->next_sibling)
                node->status = combine_status(node->status, child->status);
    }
    if (have_from_below)
        leave_pending(state, node->parent, from_below);
}

void spread_visitor(TestNode *node, void *context)
{
    spread_with_state(node, *static_cast<SpreadState *>(context));
}

}  // namespace

int32_t combine_status(int32_t first, int32_t second)
{
    return combination[known_verdict(first)][known_verdict(second)];
}

void settle_status(TestNode *node, void * /*unused*/)
{
    if (is_check_type(node->type)) {
        CheckCounters *own = node->extension;
        bool took_child = false;
        for (TestNode *child = node->first_child; child; child = child->next_sibling) {
            if (!is_check_type(child->type))
                continue;
            took_child = true;
            if (own && child->extension) {
                own->pass_count += child->extension->pass_count;
                own->fail_count += child->extension->fail_count;
            }
            if (own)
                own->total_count = own->pass_count + own->fail_count;
            node->status = combine_status(node->status, child->status);
        }
        if (!took_child && own) {
            if (own->fail_count > 0)
                node->status = VERDICT_FAILED;
            else if (own->pass_count > 0 || own->total_count > 0)
                node->status = VERDICT_PASSED;
            if (own->pass_count != 0 || own->fail_count != 0)
                own->total_count = own->pass_count + own->fail_count;
        }
    } else if (!node->first_child) {
        if (node->status == VERDICT_EXECUTED)
            node->status = VERDICT_PASSED;
        else if (is_executable_type(node->type) && node->status == VERDICT_PASSED)
            node->status = VERDICT_NOT_EXECUTED;
    }
    if (node->parent)
        node->parent->status = combine_status(node->status, node->parent->status);
}

void mark_scope_status(TestNode *node, void * /*unused*/)
{
    if (!is_check_type(node->type) && node->status != VERDICT_FAILED)
        node->status = VERDICT_NONE;
}

// The plain form of pass 3, one node at a time: climbs to the root at once.
// roll_up_verdicts uses the deferred form above, which ends the same way.
void spread_status(TestNode *node, void * /*unused*/)
{
    if (is_check_type(node->type) && node->status != VERDICT_NOT_EXECUTED) {
        climb_with(node->parent, node->status);
    } else if (node->identifier == 0) {
        for (TestNode *child = node->first_child; child; child = child->next_sibling)
            node->status = combine_status(node->status, child->status);
    }
}

namespace {

// The first two passes in one walk. Marking a node right after settling it
// gives the same result as a second walk: settling reads a node's children
// only when it is a check, and then only its check children, which marking
// never changes; the node's settled verdict has already gone to its parent.
void settle_and_mark(TestNode *node, void *unused)
{
    settle_status(node, unused);
    mark_scope_status(node, unused);
}

// Both passes over one file tree.
void roll_up_file(TestNode *file_node, SpreadState &state)
{
    walk_tree(file_node, settle_and_mark, nullptr);
    walk_tree(file_node, spread_visitor, &state);
    // A walk that ends at a root leaves nothing pending; should a file node
    // ever have a parent, finish the climbs the direct way.
    while (!state.pending.empty()) {
        climb_with(state.pending.back().first, state.pending.back().second);
        state.pending.pop_back();
    }
}

}  // namespace

// Trees smaller than this are rolled up on the calling thread alone.
const size_t second_thread_nodes = 65536;

void roll_up_verdicts()
{
    // File trees share no node, so each is rolled up whole, both passes at
    // once, and on a large tree two threads take them in turn from the list.
    std::vector<TestNode *> files;
    for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
        if (entry->file_node)
            files.push_back(entry->file_node);
    std::atomic<size_t> next_file{0};
    const auto roll_up_files = [&files, &next_file] {
        SpreadState state;
        for (size_t at; (at = next_file++) < files.size();)
            roll_up_file(files[at], state);
    };
    // Without a second thread, this one takes every file.
    std::thread other;
    if (files.size() > 1 && tree_node_count() >= second_thread_nodes)
        try_start_thread(other, roll_up_files);
    roll_up_files();
    if (other.joinable())
        other.join();
}
