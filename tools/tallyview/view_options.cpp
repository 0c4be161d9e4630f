// A hand-rolled parser rather than QCommandLineParser, which prints and exits
// on its own: here every mistake becomes one line and status 2 in main, and
// the parsing is testable.
#include "view_options.h"

#include <QCoreApplication>

int parse_view_options(const QStringList &arguments, view_options &options, QString &error)
{
    options = view_options();
    bool format_given = false;
    bool output_given = false;
    bool only_files = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool is_option = !only_files && argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-");
        if (!is_option) {
            if (!options.input.isEmpty()) {
                error = QCoreApplication::translate("tallyview", "only one results file can be given");
                return -1;
            }
            options.input = argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            only_files = true;
        } else if (argument == QLatin1String("--html") || argument == QLatin1String("--junit")) {
            const view_format format = argument == QLatin1String("--html") ? view_format::html : view_format::junit;
            if (format_given && format != options.format) {
                error = QCoreApplication::translate("tallyview", "--html and --junit exclude each other");
                return -1;
            }
            format_given = true;
            options.format = format;
        } else if (argument == QLatin1String("-o") || argument == QLatin1String("--output")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                error = QCoreApplication::translate("tallyview", "%1 needs a file name").arg(argument);
                return -1;
            }
            if (output_given) {
                error = QCoreApplication::translate("tallyview", "only one output file can be given");
                return -1;
            }
            output_given = true;
            options.output = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--output="))) {
            if (output_given || argument.size() == 9) {
                error = QCoreApplication::translate("tallyview", "--output needs one file name");
                return -1;
            }
            output_given = true;
            options.output = argument.mid(9);
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else {
            error = QCoreApplication::translate("tallyview", "unknown option %1").arg(argument);
            return -1;
        }
    }
    if (options.help || options.version)
        return 0;
    if (options.input.isEmpty()) {
        error = QCoreApplication::translate("tallyview", "no results file given");
        return -1;
    }
    return 0;
}

QString view_usage()
{
    return QCoreApplication::translate("tallyview",
                                       "Usage: tallyview [--html | --junit] [-o OUT] RESULTS.xrd\n"
                                       "Writes an HTML page (default) or a JUnit XML file from a results file.\n"
                                       "  --html         one self-contained HTML page\n"
                                       "  --junit        JUnit XML for CI servers\n"
                                       "  -o, --output   the file to write (default: standard output)\n"
                                       "  -h, --help     this text\n"
                                       "  --version      the version\n");
}
