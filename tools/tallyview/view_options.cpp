// QCommandLineParser::parse (not process, which prints and exits on its
// own): every mistake becomes one line and status 2 in main, and the parsing
// is testable. Options of one dash are long options, as tallyrpt's -tsf,
// -tdf are. A trace list runs, as in tallyrpt, over every following word up
// to the next option word (one that starts with "-"); it is handed to the
// parser as one option per name.
#include "view_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

bool is_option_word(const QString &word)
{
    return word.size() > 1 && word.startsWith(QLatin1Char('-'));
}

// "-tsf a b c" -> "-tsf a -tsf b -tsf c"; the same for --baseline-tsf.
QStringList spread_lists(const QStringList &arguments)
{
    QStringList spread;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        const bool list = word == QLatin1String("-tsf") || word == QLatin1String("--tsf")
                          || word == QLatin1String("--baseline-tsf") || word == QLatin1String("-baseline-tsf");
        if (word == QLatin1String("--")) {
            spread += arguments.mid(i);
            break;
        }
        if (!list) {
            spread.append(word);
            continue;
        }
        // An empty list names no trace, as in tallyrpt.
        while (i + 1 < arguments.size() && !is_option_word(arguments.at(i + 1)))
            spread << word << arguments.at(++i);
    }
    return spread;
}

// One value at most; false with the reason when there are several.
bool single_value(const QCommandLineParser &parser, const QString &name, QString &value, QString &error)
{
    const QStringList values = parser.values(name);
    if (values.size() > 1) {
        error = QCoreApplication::translate("tallyview", "%1 can be given once").arg(QLatin1Char('-') + name);
        return false;
    }
    value = values.isEmpty() ? QString() : values.first();
    return true;
}

// The combinations that make no sense; empty when there is none.
QString check_combination(const view_options &options, bool junit_only_options)
{
    const bool traces = !options.dynamic_trace.isEmpty();
    if (!options.static_traces.isEmpty() && !traces)
        return QCoreApplication::translate("tallyview", "-tsf needs -tdf, the dynamic trace");
    if (traces && !options.input.isEmpty())
        return QCoreApplication::translate("tallyview", "give a results file or traces (-tsf, -tdf), not both");
    if (!traces && options.input.isEmpty())
        return QCoreApplication::translate("tallyview", "no results file or traces (-tsf, -tdf) given");
    if (!options.baseline.isEmpty() && !options.baseline_dynamic_trace.isEmpty())
        return QCoreApplication::translate("tallyview", "--baseline and --baseline-tdf exclude each other");
    if (!options.baseline_static_traces.isEmpty() && options.baseline_dynamic_trace.isEmpty())
        return QCoreApplication::translate("tallyview", "--baseline-tsf needs --baseline-tdf");
    if (!options.baseline_dynamic_trace.isEmpty() && !traces && options.baseline_static_traces.isEmpty())
        return QCoreApplication::translate("tallyview", "--baseline-tdf needs --baseline-tsf when the run is a results file");
    if (options.summary && options.format_given && options.output.isEmpty())
        return QCoreApplication::translate("tallyview", "--summary and the %1 output would both go to standard output: give -o")
            .arg(options.format == view_format::junit ? QStringLiteral("--junit") : QStringLiteral("--html"));
    if (junit_only_options && options.format != view_format::junit)
        return QCoreApplication::translate("tallyview", "--case-output and --passed-output are for --junit");
    return QString();
}

}  // namespace

int parse_view_options(const QStringList &arguments, view_options &options, QString &error)
{
    options = view_options();
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const auto value_option = [](const QStringList &names) { return QCommandLineOption(names, QString(), QStringLiteral("x")); };
    parser.addOptions({
        QCommandLineOption(QStringLiteral("html")), QCommandLineOption(QStringLiteral("junit")),
        value_option({QStringLiteral("o"), QStringLiteral("output")}), value_option({QStringLiteral("tsf")}),
        value_option({QStringLiteral("tdf")}), QCommandLineOption(QStringLiteral("summary")),
        QCommandLineOption(QStringLiteral("fail-on-failure")), value_option({QStringLiteral("baseline")}),
        value_option({QStringLiteral("baseline-tsf")}), value_option({QStringLiteral("baseline-tdf")}),
        QCommandLineOption(QStringLiteral("case-output")), QCommandLineOption(QStringLiteral("passed-output")),
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}), QCommandLineOption(QStringLiteral("version")),
    });
    if (!parser.parse(QStringList{QStringLiteral("tallyview")} + spread_lists(arguments))) {
        error = parser.errorText();
        return -1;
    }
    options.help = parser.isSet(QStringLiteral("help"));
    options.version = parser.isSet(QStringLiteral("version"));
    if (options.help || options.version)
        return 0;

    if (parser.isSet(QStringLiteral("html")) && parser.isSet(QStringLiteral("junit"))) {
        error = QCoreApplication::translate("tallyview", "--html and --junit exclude each other");
        return -1;
    }
    options.format_given = parser.isSet(QStringLiteral("html")) || parser.isSet(QStringLiteral("junit"));
    options.format = parser.isSet(QStringLiteral("junit")) ? view_format::junit : view_format::html;
    if (!single_value(parser, QStringLiteral("output"), options.output, error)
        || !single_value(parser, QStringLiteral("tdf"), options.dynamic_trace, error)
        || !single_value(parser, QStringLiteral("baseline"), options.baseline, error)
        || !single_value(parser, QStringLiteral("baseline-tdf"), options.baseline_dynamic_trace, error))
        return -1;
    for (const QString &name : {QStringLiteral("output"), QStringLiteral("tdf"), QStringLiteral("baseline"),
                                QStringLiteral("baseline-tdf")}) {
        if (parser.isSet(name) && parser.value(name).isEmpty()) {
            error = QCoreApplication::translate("tallyview", "%1 needs a file name").arg(QLatin1Char('-') + name);
            return -1;
        }
    }
    options.static_traces = parser.values(QStringLiteral("tsf"));
    options.baseline_static_traces = parser.values(QStringLiteral("baseline-tsf"));
    options.summary = parser.isSet(QStringLiteral("summary"));
    options.fail_on_failure = parser.isSet(QStringLiteral("fail-on-failure"));
    options.junit.case_output = parser.isSet(QStringLiteral("case-output"));
    options.junit.passed_output = parser.isSet(QStringLiteral("passed-output"));

    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() > 1) {
        error = QCoreApplication::translate("tallyview", "only one results file can be given");
        return -1;
    }
    options.input = inputs.isEmpty() ? QString() : inputs.first();
    error = check_combination(options, options.junit.case_output || options.junit.passed_output);
    return error.isEmpty() ? 0 : -1;
}

bool writes_document(const view_options &options)
{
    return !options.summary || !options.output.isEmpty();
}

QString view_usage()
{
    return QCoreApplication::translate(
        "tallyview",
        "Usage: tallyview [options] RESULTS.xrd\n"
        "       tallyview [options] -tsf A.tsf [B.tsf ...] -tdf RUN.tdf\n"
        "Writes an HTML page (default) or a JUnit XML file from a results file, or from\n"
        "the traces themselves: then every check shows its own messages, and the cases\n"
        "that did not run are listed (KORVELDIR and ZEPH_STUDIO_HEADER_FILE as for tallyrpt).\n"
        "  -tsf FILE...         the static traces (the list runs up to the next option)\n"
        "  -tdf FILE            the dynamic trace\n"
        "  --html               one self-contained HTML page\n"
        "  --junit              JUnit XML for CI servers\n"
        "  -o, --output FILE    the file to write; \"-\" for standard output, the default\n"
        "                       unless standard output is a terminal\n"
        "  --summary            counts and one line per failed check on standard output\n"
        "                       (with -o, besides the file)\n"
        "  --fail-on-failure    exit status 3 when anything failed\n"
        "  --baseline OLD.xrd   compare with an earlier results file: each case is marked\n"
        "                       newly failing, fixed, still failing, new or removed\n"
        "  --baseline-tdf OLD.tdf\n"
        "                       compare with an earlier dynamic trace, read over this\n"
        "                       run's static traces\n"
        "  --baseline-tsf FILE...\n"
        "                       the earlier run's static traces, when they differ\n"
        "  --case-output        JUnit: each case's Print output in a <system-out> of its\n"
        "                       own (read by CI servers; outside the common JUnit schema)\n"
        "  --passed-output      JUnit: the Print output of cases that did not fail too\n"
        "  -h, --help           this text\n"
        "  --version            the version\n"
        "Exit status: 0 written, 1 an input or output failed, 2 bad command line,\n"
        "3 something failed (with --fail-on-failure).\n");
}
