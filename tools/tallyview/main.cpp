// tallyview: turns a results file into an HTML page or a JUnit XML file.
// Reads first, writes only once the whole results file was understood, so a
// bad input never produces an output file. Exit status: 0 written, 1 bad
// input or output, 2 bad command line.
#include "html_writer.h"
#include "junit_writer.h"
#include "output_file.h"
#include "results_reader.h"
#include "view_options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTranslator>
#include <csignal>
#include <cstdio>

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

int read_input(const QString &path, view_results &results, QString &error)
{
    if (path != QLatin1String("-"))
        return read_results_file(path, results, error);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        error = in.errorString();
        return -1;
    }
    return read_results(in, results, error);
}

}  // namespace

int main(int argc, char **argv)
{
    // A reader that leaves the output pipe, or a file-size limit, would end
    // the process by a signal with half an output and no word; ignored, they
    // make the write fail, which is reported (and a named file not created).
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
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

    view_results results;
    if (read_input(options.input, results, error) != 0) {
        print_error(options.input + QStringLiteral(": ") + error);
        return 1;
    }
    const auto writer = [&](text_sink &sink) {
        if (options.format == view_format::junit)
            write_junit(results, sink);
        else
            write_html(results, sink);
    };
    if (write_output(options.output, writer, error) != 0) {
        print_error(error);
        return 1;
    }
    return 0;
}
