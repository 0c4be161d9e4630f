// tallyview: turns a results file, or the traces themselves, into an HTML
// page or a JUnit XML file, and optionally a terminal summary. Reads first,
// writes only once every input was understood, so a bad input never
// produces an output file. Exit status: 0 written, 1 bad input or output,
// 2 bad command line, 3 something failed (with --fail-on-failure).
#include "baseline.h"
#include "html_writer.h"
#include "junit_writer.h"
#include "output_file.h"
#include "report_language.h"
#include "results_reader.h"
#include "summary_writer.h"
#include "trace_model.h"
#include "view_options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

void print_line(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    fputc('\n', stream);
}

void print_error(const QString &text)
{
    print_line(stderr, QStringLiteral("tallyview: ") + QCoreApplication::translate("tallyview", "error") +
                           QStringLiteral(": ") + text);
}

// tallyview_<locale>.qm from the installation's lib/locale, found through
// KORVELDIR like tallyrpt's catalogues, or next to the program (../lib/locale).
void install_catalogue(QCoreApplication &app)
{
    QStringList directories;
    const QString installation = QString::fromLocal8Bit(qgetenv("KORVELDIR"));
    if (!installation.isEmpty())
        directories.append(QDir(installation).filePath(QStringLiteral("lib/locale")));
    directories.append(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib/locale")));
    for (const QString &directory : directories) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QLocale(), QStringLiteral("tallyview"), QStringLiteral("_"), directory)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
        delete translator;
    }
}

// A results file ("-": standard input); with a dynamic trace, the traces.
// Errors name the file.
int read_run(const QString &results_path, const trace_inputs &traces, view_results &results, QString &error)
{
    if (!traces.dynamic_trace.isEmpty())
        return read_traces(traces, results, error);
    int status;
    if (results_path == QLatin1String("-")) {
        QFile in;
        status = in.open(stdin, QIODevice::ReadOnly) ? read_results(in, results, error) : -1;
        if (status != 0 && error.isEmpty())
            error = in.errorString();
    } else {
        status = read_results_file(results_path, results, error);
    }
    if (status != 0)
        error = results_path + QStringLiteral(": ") + error;
    return status;
}

bool anything_failed(const view_results &results)
{
    if (results.failed.count > 0)
        return true;
    for (const view_scope &scope : results.scopes) {
        if (scope.state == scope_state::failed)
            return true;
    }
    return false;
}

// Qt's own warnings (a trace text naming a character set without converter
// data warns on every look-up) would break the one-line error rule.
void drop_library_message(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        print_error(message.simplified());
}

}  // namespace

int main(int argc, char **argv)
{
    // A reader that leaves the output pipe, or a file-size limit, would end
    // the process by a signal with half an output and no word; ignored, they
    // make the write fail, which is reported (and a named file not created).
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    qInstallMessageHandler(drop_library_message);
    QCoreApplication app(argc, argv);
    install_catalogue(app);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    view_options options;
    QString error;
    if (parse_view_options(arguments, options, error) != 0) {
        print_error(error + QStringLiteral(" (") +
                    QCoreApplication::translate("tallyview", "see tallyview --help") + QLatin1Char(')'));
        return 2;
    }
    if (options.help) {
        fputs(view_usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        print_line(stdout, QStringLiteral("tallyview " TALLY_VERSION));
        return 0;
    }
    // A page on a terminal is a screenful of markup: the output is named,
    // or "-o -" asks for standard output all the same.
    if (writes_document(options) && options.output.isEmpty() && isatty(STDOUT_FILENO)) {
        print_error(QCoreApplication::translate("tallyview", "standard output is a terminal: give -o FILE "
                                                             "(\"-o -\" writes here anyway), or --summary"));
        return 2;
    }
    if ((!options.dynamic_trace.isEmpty() || !options.baseline_dynamic_trace.isEmpty())
        && install_report_catalogues(app, error) != 0) {
        print_error(error);
        return 1;
    }

    view_results results;
    if (read_run(options.input, {options.static_traces, options.dynamic_trace}, results, error) != 0) {
        print_error(error);
        return 1;
    }
    if (!options.baseline.isEmpty() || !options.baseline_dynamic_trace.isEmpty()) {
        const trace_inputs earlier{options.baseline_static_traces.isEmpty() ? options.static_traces
                                                                            : options.baseline_static_traces,
                                   options.baseline_dynamic_trace};
        view_results baseline;
        if (read_run(options.baseline, earlier, baseline, error) != 0) {
            print_error(error);
            return 1;
        }
        compare_with_baseline(results, baseline,
                              options.baseline.isEmpty() ? options.baseline_dynamic_trace : options.baseline);
    }

    if (writes_document(options)) {
        results.language = report_language(results);
        const auto writer = [&](text_sink &sink) {
            if (options.format == view_format::junit)
                write_junit(results, sink, options.junit);
            else
                write_html(results, sink);
        };
        if (write_output(options.output, writer, error) != 0) {
            print_error(error);
            return 1;
        }
    }
    if (options.summary) {
        const QByteArray summary = summary_text(results).toLocal8Bit();
        if (fwrite(summary.constData(), 1, static_cast<size_t>(summary.size()), stdout)
                != static_cast<size_t>(summary.size())
            || fflush(stdout) != 0) {
            print_error(QCoreApplication::translate("tallyview", "standard output: cannot be written"));
            return 1;
        }
    }
    return options.fail_on_failure && anything_failed(results) ? 3 : 0;
}
