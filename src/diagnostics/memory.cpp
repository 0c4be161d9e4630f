#include "diagnostics/memory.h"

#include "diagnostics/errors.h"

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <malloc.h>
#include <new>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

// The fatal line is kept ready in a static buffer: when memory has run out,
// formatting or translating it could itself fail.
static char out_of_memory_line[512] = "tallyrpt - fatal: out of memory\n";
static size_t out_of_memory_length = strlen(out_of_memory_line);

void prepare_out_of_memory_line()
{
    const QString line = QStringLiteral("tallyrpt - ")
                         + QCoreApplication::translate("ZOLT Error", severity_words[SEVERITY_FATAL])
                         + QLatin1Char(' ')
                         + QCoreApplication::translate("ZOLT Error", diagnostic_table[ERR_NO_MEMORY].message)
                         + QLatin1Char('\n');
    const QByteArray bytes = line.toLocal8Bit();
    if (bytes.size() < static_cast<qsizetype>(sizeof out_of_memory_line)) {
        memcpy(out_of_memory_line, bytes.constData(), bytes.size());
        out_of_memory_length = bytes.size();
    }
}

void die_out_of_memory()
{
    fflush(stdout);
    ssize_t ignored = write(STDERR_FILENO, out_of_memory_line, out_of_memory_length);
    (void)ignored;
    _exit(1);
}

static void on_new_failure()
{
    die_out_of_memory();
}

// Qt reports its own allocation failures by throwing std::bad_alloc; one that
// escapes to the top ends here.
static void on_terminate()
{
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::bad_alloc &) {
            die_out_of_memory();
        } catch (...) {
        }
    }
    abort();
}

// Under a limit on the address space, the C library cannot reserve the
// large region a second thread's own heap needs, and every block that thread
// allocates then comes from a mapping of its own, freed by unmapping it: a
// read-ahead thread spends most of its time in the kernel. With one heap for
// all threads, blocks come from the process's data segment as before the
// thread existed.
static void share_one_heap_under_address_limit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        mallopt(M_ARENA_MAX, 1);
}

void install_out_of_memory_handler()
{
    std::set_new_handler(on_new_failure);
    std::set_terminate(on_terminate);
    share_one_heap_under_address_limit();
}

void *mem_alloc(size_t size)
{
    void *block = malloc(size);
    if (!block && size != 0)
        die_out_of_memory();
    return block;
}

void mem_free(void *block)
{
    free(block);
}

char *mem_strndup(const char *text, size_t length)
{
    if (!text)
        return nullptr;
    char *copy = static_cast<char *>(mem_alloc(length + 1));
    memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void mem_make_present(void *block, size_t size)
{
#ifdef MADV_POPULATE_WRITE
    // Whole pages: those at the two ends hold the block's first and last
    // bytes, and are the process's memory as the block is.
    const uintptr_t page = 4096;
    const uintptr_t from = reinterpret_cast<uintptr_t>(block) & ~(page - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(block) + size + page - 1) & ~(page - 1);
    if (size)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)size;
#endif
}

char *mem_strdup(const char *text)
{
    return text ? mem_strndup(text, strlen(text)) : nullptr;
}
