// The fuzz harnesses, one per input surface, built from this one source: the
// macro FUZZ_<name> picks the harness (static_reader, dynamic_reader,
// studio_header, decode_text, whole_run). Built with -fsanitize=fuzzer,
// libFuzzer drives the two entry points; built with TALLY_REPLAY, the main
// at the end runs each file named on the command line once (the seed corpora
// and saved crash inputs, as a test). A broken invariant prints what failed
// and aborts, so either way the input that broke it is reported.
#include "diagnostics/memory.h"
#include "project/header.h"
#include "readers/jtdffile.h"
#include "readers/scan.h"
#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "report/emitter.h"
#include "report/jresfile.h"
#include "tree/rollup.h"
#include "tree/tree.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/mman.h>
#include <vector>

#define FUZZ_CHECK(condition, detail) \
    ((condition) ? void() \
                 : (fprintf(stderr, "fuzz check failed: %s\n  %s\n", #condition, std::string(detail).c_str()), abort()))

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Files in memory (memfd) that the code under test opens by path, as
// /proc/self/fd/<n>: no disk traffic per input.
std::string memory_file(const char *name)
{
    const int descriptor = memfd_create(name, 0);
    FUZZ_CHECK(descriptor >= 0, "memfd_create");
    return "/proc/self/fd/" + std::to_string(descriptor);
}
std::string header_file, results_file;

// The studio header file, named by ZEPH_STUDIO_HEADER_FILE, holding bytes.
void write_header(const std::string &bytes)
{
    std::ofstream out(header_file, std::ios::binary | std::ios::trunc);
    FUZZ_CHECK(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush(), header_file);
    setenv("ZEPH_STUDIO_HEADER_FILE", header_file.c_str(), 1);
}

// Empties the tree and restarts the document's tag numbers, as a new
// process would have them.
void reset_state()
{
    tree_free();
    tag_counter = 0;
    tree_init();
}

// The readers on a memory stream: never a read error, so they must succeed.
void read_static(const std::string &bytes, const std::string &name, int32_t *counter)
{
    TraceStream *stream = trace_open_memory(bytes.data(), bytes.size());
    FUZZ_CHECK(read_static_stream(stream, name.c_str(), counter) == 0, "the static reader failed on " + name);
    trace_close(stream);
}

void read_dynamic(const std::string &bytes)
{
    TraceStream *stream = trace_open_memory(bytes.data(), bytes.size());
    FUZZ_CHECK(read_dynamic_stream(stream) == 0, "the dynamic reader failed on a memory stream");
    trace_close(stream);
}

// Parent and child links agree, verdicts are known ones, counters never go
// negative, every node has a text; with `indexed`, every node is found in
// the index under its own key (or shares it with an earlier one).
bool check_index;
size_t node_count;
void check_node(TestNode *node, void *)
{
    ++node_count;
    TestNode *last = nullptr;
    for (TestNode *child = node->first_child; child; child = child->next_sibling) {
        FUZZ_CHECK(child->parent == node, "child with another parent");
        last = child;
    }
    FUZZ_CHECK(node->last_child == last, "last child link out of date");
    FUZZ_CHECK(node->text != nullptr, "node without text");
    FUZZ_CHECK(node->status >= 0 && node->status <= 4, "verdict out of range");
    if (const CheckCounters *c = node->extension)
        FUZZ_CHECK(c->total_count >= 0 && c->pass_count >= 0 && c->fail_count >= 0 && c->entry_count >= 0,
                   "negative counter");
    const TestNode *found = check_index ? find_node(node->file_number, node->identifier) : node;
    FUZZ_CHECK(found && found->file_number == node->file_number && found->identifier == node->identifier,
               "node missing from the index");
}

// Rolls the verdicts up and checks every node; returns the node count.
size_t roll_up_and_check(bool indexed)
{
    roll_up_verdicts();
    check_index = indexed;
    node_count = 0;
    for (FileEntry *entry = file_list_head(); entry; entry = entry->next)
        if (entry->file_node)
            walk_tree(entry->file_node, check_node, nullptr);
    return node_count;
}

#if defined(FUZZ_decode_text)
// The input is one trace text (cut at its first NUL byte, as the readers hand
// texts on). Outside the character-set form (four unescaped quotes), the
// byte-wise path for plain UTF-8 must agree with the path through Unicode:
// decoding a text and decoding its own UTF-8 round trip give the same
// result (unless the round trip starts with a byte-order mark, which
// decoding drops once more). Fields never hold their separator.
// The one-pass readings of a statement's text and of a note's agree with
// the steps they stand for.
int unescaped_quotes(const char *text)
{
    int quotes = 0;
    bool escaped = false;
    for (const char *p = text; *p; ++p) {
        quotes += *p == '"' && !escaped;
        escaped = *p == '\\' && !escaped;
    }
    return quotes;
}

std::string decoded(const char *text)
{
    char *result = decode_text(text);
    std::string copy = result ? std::string("+") + result : std::string("none");
    mem_free(result);
    return copy;
}

void run_one(const std::string &input)
{
    const std::string text = input.substr(0, strnlen(input.data(), input.size()));
    const std::string direct = decoded(text.c_str());
    if (unescaped_quotes(text.c_str()) != 4) {
        const QByteArray round_trip = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLocal8Bit();
        if (unescaped_quotes(round_trip.constData()) != 4 && !round_trip.startsWith("\xef\xbb\xbf")) {
            const std::string through_unicode = decoded(round_trip.constData());
            FUZZ_CHECK(direct == through_unicode, "fast path differs: " + direct + " / " + through_unicode);
        }
    }
    // The rest of a statement's line read in one pass, where that pass takes
    // it, agrees with line_text and then decode_text_into.
    const std::string line = input.substr(0, std::min(input.find('\n'), input.size()));
    ByteBuffer one_pass;
    bool kept = false;
    if (decode_line_text_into(line.data(), line.data() + line.size(), one_pass, &kept)) {
        char buffer[TOKEN_TEXT_SIZE];
        size_t length = 0;
        const char *unescaped = line_text(line.data(), line.data() + line.size(), buffer, &length);
        ByteBuffer in_steps;
        const bool kept_in_steps = decode_text_into(unescaped, length, in_steps);
        FUZZ_CHECK(kept == kept_in_steps && one_pass.str() == in_steps.str(),
                   "one-pass line text differs: " + one_pass.str() + " / " + in_steps.str());
    }
    // A note's text decoded in one pass agrees with the general decoding,
    // and a text said to decode to itself does.
    ByteBuffer general, escaped;
    const bool kept_general = decode_text_into(text.data(), text.size(), general);
    FUZZ_CHECK(!decodes_to_itself(text.data(), text.size()) || (kept_general && general.str() == text),
               "a text said to decode to itself decodes to: " + general.str());
    const bool kept_escaped = decode_escaped_text_into(text.data(), text.size(), escaped);
    FUZZ_CHECK(kept_general == kept_escaped && general.str() == escaped.str(),
               "one-pass decoding differs: " + escaped.str() + " / " + general.str());
    for (int n = 0; n <= 3; ++n) {
        char *field = nth_field(text.c_str(), ' ', n);
        FUZZ_CHECK(!field || !strchr(field, ' '), "a field holds its separator");
        FUZZ_CHECK(!field || strlen(field) <= text.size(), "a field longer than its text");
        mem_free(field);
    }
    (void)parse_unsigned_field(text.c_str(), 16);
    (void)parse_unsigned_field(text.c_str(), 10);
    (void)parse_signed_decimal(text.c_str());
}

#elif defined(FUZZ_static_reader)
// Any bytes as one static trace, read into a fresh tree, then the roll-up.
void run_one(const std::string &input)
{
    reset_state();
    int32_t counter = 0;
    read_static(input, "fuzz.tsf", &counter);
    FUZZ_CHECK(counter >= 0 && static_cast<size_t>(counter) <= input.size(), "section counter out of range");
    FUZZ_CHECK(roll_up_and_check(true) <= input.size() + 1, "more nodes than the input can describe");
    tree_free();
}

#elif defined(FUZZ_dynamic_reader)
// Any bytes as the dynamic trace, applied to a tree built afresh for each
// input from one fixed static trace (fixed_static.tsf: two sections sharing
// an identity, a third of its own, stubs, classes, a statement under a
// statement), then the roll-up.
void run_one(const std::string &input)
{
    static const std::string fixed = read_file(TALLY_FUZZ_DIR "/fixed_static.tsf");
    reset_state();
    int32_t counter = 0;
    read_static(fixed, "fixed.tsf", &counter);
    FUZZ_CHECK(counter == 3 && file_count() == 3, "fixed static trace gave other sections");
    read_dynamic(input);
    roll_up_and_check(false);
    tree_free();
}

#elif defined(FUZZ_studio_header)
// Any bytes as the file named by ZEPH_STUDIO_HEADER_FILE (reopened by path
// for each input, so the real open and line reading run). A value, once
// trimmed, holds no newline, tab or ";" and no space at either end; the
// project file ends in ".vxp" with no doubled separator.
void check_value(const char *value, const char *name)
{
    if (!value)
        return;
    const size_t length = strlen(value);
    FUZZ_CHECK(!strpbrk(value, "\n\t;"), std::string(name) + " holds a cut character");
    FUZZ_CHECK(length == 0 || (value[0] != ' ' && value[length - 1] != ' '),
               std::string(name) + " keeps a space at an end");
    FUZZ_CHECK(length < 2048, std::string(name) + " longer than a line");
}

void run_one(const std::string &input)
{
    write_header(input);
    FUZZ_CHECK(open_project_header() == 1, "the header file did not open");
    check_value(project_name(), "project name");
    check_value(test_node_name(), "test node name");
    check_value(workspace_name(), "workspace name");
    check_value(configuration_name(), "configuration name");
    if (const char *file = project_file()) {
        const size_t length = strlen(file);
        FUZZ_CHECK(length >= 4 && strcmp(file + length - 4, ".vxp") == 0, "project file without .vxp");
        for (size_t i = 1; i < length; ++i)
            FUZZ_CHECK(!strchr("/\\", file[i]) || !strchr("/\\", file[i - 1]), "doubled separator in the project file");
    }
    release_project_info();
    FUZZ_CHECK(!project_name() && !project_file() && !test_node_name() && !workspace_name() && !configuration_name(),
               "values left after the release");
}

#elif defined(FUZZ_whole_run)
// One input holds up to eight static traces, the dynamic trace and
// optionally a studio header, by marker lines:
//   <static trace>[\n#tsf#\n<static trace>...]\n#tdf#\n<dynamic trace>[\n#hdr#\n<header>]
// (without "#tdf#" every byte is static). It goes through the driver's
// sequence: every static trace, the dynamic trace, the roll-up, the results
// file. The run must succeed, and the results document must be well-formed
// XML with XROD as its root (namespace processing off: XROD:NODE carries an
// undeclared prefix).
std::vector<std::string> split_at(const std::string &text, const std::string &marker)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t found; (found = text.find(marker, start)) != std::string::npos; start = found + marker.size())
        pieces.push_back(text.substr(start, found - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

void check_document(const QByteArray &document)
{
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);
    bool root_seen = false;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && !root_seen) {
            root_seen = true;
            FUZZ_CHECK(reader.qualifiedName() == QLatin1String("XROD"), "the root is not XROD");
        }
    const qint64 offset = reader.characterOffset();
    FUZZ_CHECK(!reader.hasError(),
               "results document not well-formed: " + reader.errorString().toStdString() + " at "
                   + std::to_string(reader.lineNumber()) + ":" + std::to_string(reader.columnNumber()) + "\n"
                   + document.mid(offset > 200 ? offset - 200 : 0, 400).toStdString());
    FUZZ_CHECK(root_seen, "results document without a root element");
}

void run_one(const std::string &input)
{
    const std::vector<std::string> with_header = split_at(input, "\n#hdr#\n");
    if (with_header.size() > 1)
        write_header(with_header[1]);
    else
        unsetenv("ZEPH_STUDIO_HEADER_FILE");
    const std::vector<std::string> traces = split_at(with_header[0], "\n#tdf#\n");
    std::vector<std::string> static_traces = split_at(traces[0], "\n#tsf#\n");
    static_traces.resize(std::min<size_t>(static_traces.size(), 8));

    reset_state();
    int32_t counter = 0;
    for (size_t i = 0; i < static_traces.size(); ++i)
        read_static(static_traces[i], "static" + std::to_string(i) + ".tsf", &counter);
    read_dynamic(traces.size() > 1 ? traces[1] : std::string());
    roll_up_verdicts();
    FUZZ_CHECK(write_results_file(results_file.c_str()) == WRITE_OK, "writing the results file");
    tree_free();
    tag_counter = 0;
    const std::string written = read_file(results_file);
    check_document(QByteArray::fromRawData(written.data(), static_cast<qsizetype>(written.size())));
}
#endif

// One QCoreApplication (C.UTF-8 locale, no catalogues installed) and the
// out-of-memory handler of the real program.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The program keeps Qt's own warnings off its standard error stream (a
    // character-set name that names a converter without data makes Qt warn
    // on every look-up); so do the harnesses.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("ZEPH_STUDIO_HEADER_FILE");
    static int argc = 1;  // QCoreApplication keeps references to both
    static char name[] = "tallyrpt-fuzz", *argv[] = {name, nullptr};
    static QCoreApplication *application = new QCoreApplication(argc, argv);
    (void)application;
    install_out_of_memory_handler();
    prepare_out_of_memory_line();
    header_file = memory_file("studio-header");
    results_file = memory_file("results");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    run_one(std::string(reinterpret_cast<const char *>(data), size));
    return 0;
}

#ifdef TALLY_REPLAY
int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        FUZZ_CHECK(in, std::string("replay: cannot read ") + argv[i]);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    printf("replayed %d inputs\n", argc - 1);
    return argc > 1 ? 0 : 1;
}
#endif
