// What the static traces contain, kept in memory so that the dynamic trace can
// refer to real identifiers: per file section its identity pair, its scopes and
// its statements. Also the counts written to the manifest.
#pragma once

#include <cstdint>
#include <vector>

enum scope_kind : uint8_t {
    SCOPE_FILE,
    SCOPE_SUITE,
    SCOPE_CASE,
    SCOPE_STUB,
    SCOPE_CLASS,  // the test class holding test cases
    SCOPE_HELPER, // a "Class" of shared checks, run from many test cases
    SCOPE_MOCK,   // a "Class" whose methods the dynamic trace turns into a Stub
};

enum stmt_kind : uint8_t {
    STMT_CHECK,
    STMT_MS,
    STMT_PRINT_LOG,
    STMT_PRINT_ENTER,
    STMT_PRINT_EXIT,
    STMT_PRINT_TIMER_START,
    STMT_PRINT_TIMER_REPORT,
    STMT_COMMENT,
};

inline bool is_print_kind(uint8_t kind)
{
    return kind >= STMT_PRINT_LOG && kind <= STMT_PRINT_TIMER_REPORT;
}

struct scope_info {
    uint32_t id;
    uint32_t parent_id; // 0 for the file scope
    uint32_t first_stmt; // index into section_info::stmts of its own statements
    uint32_t stmt_count;
    scope_kind kind;
};

struct stmt_info {
    uint32_t id;
    uint32_t parent_id;
    stmt_kind kind;
};

struct section_info {
    uint32_t identity_first;
    uint32_t identity_second;
    std::vector<scope_info> scopes; // scopes[0] is the file scope
    std::vector<stmt_info> stmts;
    std::vector<uint32_t> cases;   // scope indices of test cases
    std::vector<uint32_t> stubs;   // scope indices of TestStub scopes
    std::vector<uint32_t> helpers; // scope indices of helper classes
    std::vector<uint32_t> mocks;   // scope indices of mock classes
};

// Identifiers of one section stay below this, so that a (section, identifier)
// pair packs into 32 bits for the copy bookkeeping.
constexpr uint32_t MAX_SECTION_IDENTIFIER = 0xfff0;
constexpr uint32_t MAX_SECTIONS = 0xffff;

struct trace_model {
    std::vector<section_info> sections;
    uint64_t scopes = 0;     // all scopes, file scopes included
    uint64_t statements = 0;
    uint64_t static_records = 0;
    uint64_t static_bytes = 0;
};

struct dynamic_counts {
    uint64_t records = 0;
    uint64_t bytes = 0;
    uint64_t messages = 0;       // "NO" texts that end up on a node
    uint64_t message_bytes = 0;  // their raw length in the trace
    uint64_t copies = 0;         // distinct (context, model) placements off the model's parent
    uint64_t case_runs = 0;      // test-case executions in one pass
};
