// Per-stage wall-clock timings of a run, with the memory in use after each
// stage, printed to standard error only when
// TALLYRPT_STAGE_TIMES is set in the environment; otherwise it does nothing.
#pragma once

#include <chrono>

class StageTimer {
public:
    StageTimer();
    void mark(const char *stage);

private:
    bool enabled_;
    std::chrono::steady_clock::time_point last_;
};
