#include "driver/run.h"

#include "diagnostics/errors.h"
#include "diagnostics/files.h"
#include "diagnostics/memory.h"
#include "driver/catalogues.h"
#include "driver/command_line.h"
#include "diagnostics/identity.h"
#include "readers/jtdffile.h"
#include "readers/tsffile.h"
#include "report/jresfile.h"
#include "tree/rollup.h"
#include "driver/stage_timer.h"
#include "tree/tree.h"

#include <QCoreApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

// Qt's own warnings would reach standard error beside the diagnostics (a
// trace text naming a character set whose converter has no data makes Qt
// warn on every look-up); standard error carries only the banner and the
// one-line diagnostics, so they are dropped. A fatal one ends the process
// (Qt aborts after the handler) and is shown as an internal error.
static void drop_library_message(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        print_diagnostic(ERR_INTERNAL, nullptr, 0, message.simplified());
}

static QByteArray banner_text(const char *source)
{
    return QCoreApplication::translate(IDENTITY_CONTEXT, source).toLocal8Bit();
}

static void print_banner(FILE *stream)
{
    const QByteArray name = banner_text(PRODUCT_NAME);
    const QByteArray title = banner_text(PRODUCT_TITLE);
    const QByteArray version = banner_text(PRODUCT_VERSION);
    const QByteArray owner = banner_text(LEGAL_OWNER);
    const QByteArray rights = banner_text(LEGAL_RIGHTS);
    fprintf(stream, "%s %s %s\n", name.constData(), title.constData(), version.constData());
    fprintf(stream, "%s %s\n", owner.constData(), rights.constData());
}

// Every missing input is reported, the dynamic trace first.
static int check_inputs(const char *dynamic_name, const char **static_names, int static_count)
{
    int status = 0;
    if (!file_exists(dynamic_name)) {
        report_error1(ERR_NO_FILE, nullptr, 0, dynamic_name);
        status = -1;
    }
    for (int i = 0; i < static_count; ++i) {
        if (!file_exists(static_names[i])) {
            report_error1(ERR_NO_FILE, nullptr, 0, static_names[i]);
            status = -1;
        }
    }
    return status;
}

static int run_sequence(const char *results_name, const char *dynamic_name,
                        const char **static_names, int static_count)
{
    StageTimer timer;
    tree_init();

    int32_t file_counter = 0;
    const int unread = read_static_traces(static_names, static_count, &file_counter);
    if (unread < static_count) {
        report_error1(ERR_BAD_FORMAT, nullptr, 0, static_names[unread]);
        return -1;
    }
    timer.mark("static reading");

    if (read_dynamic_trace(dynamic_name) != 0) {
        report_error1(ERR_BAD_FORMAT, nullptr, 0, dynamic_name);
        return -1;
    }
    timer.mark("dynamic reading");

    roll_up_verdicts();
    timer.mark("roll-up");

    const int written = write_results_file(results_name);
    if (written == WRITE_OPEN_FAILED) {
        report_error1(ERR_PERMISSION, nullptr, 0, results_name);
        return -1;
    }
    if (written != WRITE_OK) {
        report_error1(ERR_WRITE_FAILED, nullptr, 0, results_name);
        return -1;
    }
    timer.mark("writing");

    tree_free();
    timer.mark("freeing");
    return 0;
}

static int run_application(int argc, char **argv)
{
    qInstallMessageHandler(drop_library_message);
    QCoreApplication app(argc, argv);

    const QStringList prefixes = {QStringLiteral("zephident_"), QStringLiteral("modbas_"),
                                  QStringLiteral("tallygen_")};
    // "tallyrpt --help" and "tallyrpt --version", alone, answer on standard
    // output and need no installation; every other line is the run's.
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "--version") == 0)) {
        load_catalogues_if_present(app, prefixes);
        print_banner(stdout);
        if (strcmp(argv[1], "--help") == 0)
            print_usage(argv[0], stdout);
        return fflush(stdout) == 0 ? 0 : -1;
    }
    load_catalogues(app, prefixes);
    prepare_out_of_memory_line();

    print_banner(stderr);

    const char *results_name = nullptr;
    const char *dynamic_name = nullptr;
    const char **static_names = nullptr;
    int static_count = 0;
    int status;
    if (parse_command_line(argc, argv, &results_name, &static_names, &dynamic_name, &static_count) != 0) {
        print_usage(argc > 0 ? argv[0] : "");
        status = -1;
    } else if (check_inputs(dynamic_name, static_names, static_count) != 0) {
        status = -1;
    } else {
        status = run_sequence(results_name, dynamic_name, static_names, static_count);
    }
    // The name list lives to the end of the run; released here so that no
    // block is left unreferenced when the process ends.
    mem_free(static_names);
    return status;
}

int run_tallyrpt(int argc, char **argv)
{
    // A results file over the file-size limit, or a results pipe whose reader
    // went away, would otherwise end the process by a signal, with no
    // diagnostic; ignored, they make the write fail and be reported.
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    install_out_of_memory_handler();
    try {
        return run_application(argc, argv);
    } catch (const std::bad_alloc &) {
        die_out_of_memory();
    }
}
