// Starting a second thread, which the system may refuse (a limit on threads
// or on address space). Every caller then does the work on the calling
// thread instead, so a refusal only costs speed.
#pragma once

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

// Starts body on thread; false, with thread left as it was, when refused.
template <typename Body>
bool try_start_thread(std::thread &thread, Body &&body)
{
    try {
        thread = std::thread(std::forward<Body>(body));
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

// For a thread started on first use and kept: starts it unless it runs or
// was refused before (refused remembers that); whether it runs.
template <typename Body>
bool start_thread_once(std::thread *&thread, bool &refused, Body &&body)
{
    if (!thread && !refused) {
        std::thread started;
        if (try_start_thread(started, std::forward<Body>(body)))
            thread = new std::thread(std::move(started));
        else
            refused = true;
    }
    return thread != nullptr;
}

// The other end of start_thread_once, for a thread that waits on changed
// until ending is set under lock: tells it to end, waits for it and forgets
// it; then ending is false again, for a thread started later.
inline void stop_thread(std::thread *&thread, std::mutex &lock, std::condition_variable &changed, bool &ending)
{
    if (!thread)
        return;
    {
        std::lock_guard<std::mutex> guard(lock);
        ending = true;
    }
    changed.notify_all();
    thread->join();
    delete thread;
    thread = nullptr;
    ending = false;
}
