// See fuzz_support.h.
#include "fuzz_support.h"

#include "diagnostics/memory.h"
#include "report/emitter.h"
#include "tree/tree.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The program keeps Qt's own warnings off its standard error stream (a
// character-set name that names a converter without data makes Qt warn on
// every look-up); so do the harnesses.
void drop_library_message(QtMsgType, const QMessageLogContext &, const QString &)
{
}

}  // namespace

void fuzz_start_application()
{
    if (QCoreApplication::instance())
        return;
    qInstallMessageHandler(drop_library_message);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("ZEPH_STUDIO_HEADER_FILE");
    // QCoreApplication keeps references to both for its whole life.
    static int argc = 1;
    static char name[] = "tallyrpt-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *application = new QCoreApplication(argc, argv);
    (void)application;
    install_out_of_memory_handler();
    prepare_out_of_memory_line();
}

void fuzz_reset_state()
{
    tree_free();
    tag_counter = 0;
}

void fuzz_fail(const char *what, const std::string &detail)
{
    fprintf(stderr, "fuzz check failed: %s\n", what);
    if (!detail.empty())
        fprintf(stderr, "  %s\n", detail.c_str());
    fflush(stderr);
    abort();
}

std::vector<std::string> split_at(const std::string &text, const std::string &marker)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(marker, start);
        if (found == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, found - start));
        start = found + marker.size();
    }
}

MemoryFile memory_file_create(const char *name)
{
    MemoryFile file;
    file.descriptor = memfd_create(name, MFD_CLOEXEC);
    if (file.descriptor < 0)
        fuzz_fail("memfd_create");
    file.path = "/proc/self/fd/" + std::to_string(file.descriptor);
    return file;
}

void memory_file_write(const MemoryFile &file, const void *data, size_t size)
{
    if (ftruncate(file.descriptor, 0) != 0)
        fuzz_fail("ftruncate");
    const char *bytes = static_cast<const char *>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t written = pwrite(file.descriptor, bytes + done, size - done, done);
        if (written <= 0)
            fuzz_fail("pwrite");
        done += static_cast<size_t>(written);
    }
}

std::string memory_file_read(const MemoryFile &file)
{
    std::string text;
    char chunk[65536];
    for (off_t offset = 0;;) {
        const ssize_t count = pread(file.descriptor, chunk, sizeof chunk, offset);
        if (count < 0)
            fuzz_fail("pread");
        if (count == 0)
            return text;
        text.append(chunk, static_cast<size_t>(count));
        offset += count;
    }
}
