// Replacing the results file whole: see results_file.h.
//
// The new file is created without a name where the file system allows it
// (O_TMPFILE), so that even a run killed by SIGKILL leaves nothing behind; it
// gets a hidden name beside the target only once complete. Elsewhere it is a
// hidden file created exclusively, removed again if a catchable signal ends
// the run.
//
// The complete file takes the target's place by an atomic exchange of the
// two names, which leaves the old file under the hidden name. A plain rename
// over a file would do too, but ext4 then writes the whole new file back
// before the rename returns, which costs about as much as writing it did.
// Freeing a large old file's blocks is slow too (seconds, on a file system
// that discards freed blocks), so that happens in a short-lived process that
// holds the last reference to it, after this one has gone on.
#include "report/results_file.h"

#include "diagnostics/threads.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Old files at least this large have their cached pages dropped before the
// new file is written, and are freed by a helper process.
const off_t freed_elsewhere_from = off_t(64) << 20;

// The hidden name to remove if a signal ends the run; empty when none.
char cleanup_name[PATH_MAX + 64];

// The signals that end a run, and what they did before the handler below.
const int ending_signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
struct sigaction earlier_actions[sizeof ending_signals / sizeof ending_signals[0]];

// Removes the hidden file, then lets the signal do what it did before
// (end the process, as a rule).
void remove_hidden_file_and_go_on(int signal_number)
{
    if (cleanup_name[0])
        unlink(cleanup_name);
    for (size_t i = 0; i < sizeof ending_signals / sizeof ending_signals[0]; ++i) {
        if (ending_signals[i] == signal_number)
            sigaction(signal_number, &earlier_actions[i], nullptr);
    }
    raise(signal_number);
}

void set_cleanup_name(const std::string &name)
{
    static bool handlers_installed = false;
    if (!handlers_installed) {
        handlers_installed = true;
        struct sigaction action = {};
        action.sa_handler = remove_hidden_file_and_go_on;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < sizeof ending_signals / sizeof ending_signals[0]; ++i) {
            // A signal ignored by whoever started the run stays ignored.
            if (sigaction(ending_signals[i], nullptr, &earlier_actions[i]) == 0
                && earlier_actions[i].sa_handler != SIG_IGN)
                sigaction(ending_signals[i], &action, nullptr);
        }
    }
    // Only this thread runs here; with the signals held back, the handler
    // never sees half a name.
    sigset_t held, previous;
    sigemptyset(&held);
    for (int signal_number : ending_signals)
        sigaddset(&held, signal_number);
    pthread_sigmask(SIG_BLOCK, &held, &previous);
    if (name.size() < sizeof cleanup_name)
        memcpy(cleanup_name, name.c_str(), name.size() + 1);
    else
        cleanup_name[0] = '\0';
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void clear_cleanup_name()
{
    cleanup_name[0] = '\0';
}

std::string folder_of(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string hidden_name_beside(const std::string &target)
{
    static unsigned counter = 0;
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%ld-%lx-%u", static_cast<long>(getpid()),
             static_cast<unsigned long>(now.tv_nsec), ++counter);
    return folder + "." + base + suffix;
}

// A new file with no name in the target's folder, or -1.
int open_nameless(const std::string &folder)
{
#ifdef O_TMPFILE
    const int descriptor = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return -1;
    // Naming it later goes through /proc; without /proc it could not be named.
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    if (access(link, F_OK) == 0)
        return descriptor;
    close(descriptor);
#else
    (void)folder;
#endif
    return -1;
}

// A new hidden file beside the target, created exclusively, or -1.
int open_hidden(const std::string &target, std::string *name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = hidden_name_beside(target);
        const int descriptor = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

// Gives the nameless file a hidden name beside the target.
bool name_nameless(ResultsFile *file)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", file->descriptor);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = hidden_name_beside(file->target);
        set_cleanup_name(name);
        if (linkat(AT_FDCWD, link, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            file->new_name = name;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    clear_cleanup_name();
    return false;
}

// Starts a process that holds the old file open and ends at once, so that
// the last reference to it, and the freeing of its blocks, is that
// process's. False when none could be started.
bool free_elsewhere(int descriptor)
{
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    posix_spawn_file_actions_adddup2(&actions, descriptor, 3);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // Reaped by the system when it ends: this run never waits for it.
    signal(SIGCHLD, SIG_IGN);
    char program[] = "/bin/true";
    char *arguments[] = {program, nullptr};
    char *environment[] = {nullptr};
    pid_t child;
    const bool started = posix_spawn(&child, program, &actions, nullptr, arguments, environment) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

// The thread dropping an old file's cached pages, or null. Never destroyed,
// like the background writer's: a run that ends early must not run a thread
// object's destructor at exit.
std::thread *dropping = nullptr;

void wait_for_dropping()
{
    if (!dropping)
        return;
    dropping->join();
    delete dropping;
    dropping = nullptr;
}

// Drops the old file's pages from the page cache; its bytes stay on disk,
// and it stays in place until the new file replaces it. It is about to be
// replaced, so its cached copy is of no more use, and the new file's pages
// then come from memory that was in use a moment ago: on machines that hand
// free memory back (virtual machines), pages long free cost a fault in the
// host each, and writing a large report into them took a quarter longer
// (on one such machine, up to four times as long). Dropping the pages of a
// gigabyte just written took 0.12 s, so it is done on a thread of its own
// while the report is being built.
void drop_cached_pages(const std::string &target)
{
    wait_for_dropping();
    const int descriptor = open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return;
    const auto drop = [descriptor] {
        posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);
        close(descriptor);
    };
    std::thread started;
    if (try_start_thread(started, drop))
        dropping = new std::thread(std::move(started));
    else
        drop();
}

// Removes the old file, now under the hidden name.
void dispose_of_old(const std::string &name)
{
    const int descriptor = open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    unlink(name.c_str());
    if (descriptor < 0)
        return;
    struct stat status;
    if (fstat(descriptor, &status) == 0 && status.st_size >= freed_elsewhere_from)
        free_elsewhere(descriptor);
    close(descriptor);
}

// Puts the complete file, named file->new_name, in the target's place.
bool put_in_place(ResultsFile *file)
{
    const char *from = file->new_name.c_str();
    const char *to = file->target.c_str();
#ifdef RENAME_EXCHANGE
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE) == 0) {
        dispose_of_old(file->new_name);
        return true;
    }
    // No file to exchange with (a new path, or the old file went away
    // meanwhile), or a file system that cannot exchange: renamed over.
#endif
    const int old = open(to, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const bool renamed = rename(from, to) == 0;
    if (old >= 0) {
        struct stat status;
        if (renamed && fstat(old, &status) == 0 && status.st_size >= freed_elsewhere_from)
            free_elsewhere(old);
        close(old);
    }
    return renamed;
}

int open_directly(const char *path, ResultsFile *file)
{
    file->replaces = false;
    file->stream = fopen(path, "w");
    return file->stream ? 0 : -1;
}

}  // namespace

int results_file_open(const char *path, ResultsFile *file)
{
    *file = ResultsFile();
    if (!path || !*path)
        return -1;
    struct stat status;
    std::string target = path;
    if (lstat(path, &status) == 0 && S_ISLNK(status.st_mode)) {
        char resolved[PATH_MAX];
        if (!realpath(path, resolved))
            return open_directly(path, file);  // a dangling link: its target is created
        target = resolved;
    }
    const bool exists = stat(target.c_str(), &status) == 0;
    if (!exists && errno != ENOENT)
        return -1;
    if (exists && S_ISDIR(status.st_mode))
        return -1;
    if (exists && !S_ISREG(status.st_mode))
        return open_directly(path, file);  // a FIFO or a device
    if (exists && access(target.c_str(), W_OK) != 0)
        return -1;  // a read-only results file is not replaced either

    if (exists && status.st_size >= freed_elsewhere_from)
        drop_cached_pages(target);
    file->target = target;
    file->replaces = true;
    int descriptor = open_nameless(folder_of(target));
    if (descriptor >= 0) {
        file->descriptor = descriptor;
    } else {
        descriptor = open_hidden(target, &file->new_name);
        if (descriptor < 0) {
            // No new file can be made in the folder; a file that exists and
            // may be written is written in place, as it stands.
            return exists ? open_directly(path, file) : -1;
        }
        set_cleanup_name(file->new_name);
    }
    if (exists) {
        if (geteuid() == 0 && (status.st_uid != geteuid() || status.st_gid != getegid()))
            (void)!fchown(descriptor, status.st_uid, status.st_gid);
        fchmod(descriptor, status.st_mode & 07777);
    }
    file->stream = fdopen(descriptor, "w");
    if (!file->stream) {
        close(descriptor);
        if (!file->new_name.empty())
            unlink(file->new_name.c_str());
        clear_cleanup_name();
        return -1;
    }
    return 0;
}

int results_file_commit(ResultsFile *file)
{
    wait_for_dropping();
    bool ok = fflush(file->stream) == 0 && !ferror(file->stream);
    if (ok && file->replaces && file->new_name.empty())
        ok = name_nameless(file);
    ok = fclose(file->stream) == 0 && ok;
    file->stream = nullptr;
    if (!file->replaces)
        return ok ? 0 : -1;
    if (ok)
        ok = put_in_place(file);
    if (!ok && !file->new_name.empty())
        unlink(file->new_name.c_str());
    clear_cleanup_name();
    return ok ? 0 : -1;
}
