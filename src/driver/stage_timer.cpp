#include "driver/stage_timer.h"

#include <cstdio>
#include <cstdlib>

StageTimer::StageTimer()
    : enabled_(getenv("TALLYRPT_STAGE_TIMES") != nullptr), last_(std::chrono::steady_clock::now())
{
}

void StageTimer::mark(const char *stage)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - last_).count();
    fprintf(stderr, "stage %s: %.3f s\n", stage, seconds);
    last_ = now;
}
