#include "driver/stage_timer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// Resident and peak resident kilobytes from /proc/self/status; 0 where the
// system does not tell.
void read_memory(long *resident, long *peak)
{
    *resident = 0;
    *peak = 0;
    FILE *status = fopen("/proc/self/status", "r");
    if (!status)
        return;
    char line[256];
    while (fgets(line, sizeof line, status)) {
        if (strncmp(line, "VmRSS:", 6) == 0)
            *resident = atol(line + 6);
        else if (strncmp(line, "VmHWM:", 6) == 0)
            *peak = atol(line + 6);
    }
    fclose(status);
}

}  // namespace

StageTimer::StageTimer()
    : enabled_(getenv("TALLYRPT_STAGE_TIMES") != nullptr), last_(std::chrono::steady_clock::now())
{
    timespec cpu = {0, 0};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    last_cpu_seconds_ = static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9;
}

void StageTimer::mark(const char *stage)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - last_).count();
    long resident, peak;
    read_memory(&resident, &peak);
    timespec cpu = {0, 0};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const double cpu_seconds = static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9;
    fprintf(stderr, "stage %s: %.3f s\n", stage, seconds);
    fprintf(stderr, "after %s: %.3f s of CPU in all, %ld kB resident, %ld kB peak\n", stage,
            cpu_seconds - last_cpu_seconds_, resident, peak);
    last_ = now;
    last_cpu_seconds_ = cpu_seconds;
}
