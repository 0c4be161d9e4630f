// Per-stage wall-clock timings of a run, with the processor time of each
// stage (all threads) and the memory in use after it, printed to standard
// error only when TALLYRPT_STAGE_TIMES is set; otherwise it does nothing.
#pragma once

#include <chrono>

class StageTimer {
public:
    StageTimer();
    void mark(const char *stage);

private:
    bool enabled_;
    std::chrono::steady_clock::time_point last_;
    double last_cpu_seconds_;
};
