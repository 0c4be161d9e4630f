// Fuzz harness of a whole run: one input holds up to eight static traces,
// the dynamic trace and optionally a studio header, and goes through the
// driver's sequence: tree_init, every static trace, the dynamic trace, the
// roll-up, the results file, tree_free. The run must succeed, and the
// results document must be well-formed XML (checked with QXmlStreamReader,
// namespace processing off since XROD:NODE carries an undeclared prefix),
// with XROD as its root.
//
// Input layout, by marker lines:
//   <static trace>[\n#tsf#\n<static trace>...]\n#tdf#\n<dynamic trace>[\n#hdr#\n<header>]
// Without "#tdf#" every byte is static and the dynamic trace is empty.
#include "fuzz_support.h"

#include "project/header.h"
#include "readers/jtdffile.h"
#include "readers/trace_stream.h"
#include "readers/tsffile.h"
#include "report/jresfile.h"
#include "tree/rollup.h"
#include "tree/tree.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <cstdlib>
#include <string>

namespace {

const size_t max_static_traces = 8;

MemoryFile results_file;
MemoryFile header_file;

struct RunInput {
    std::vector<std::string> static_traces;
    std::string dynamic_trace;
    bool has_header = false;
    std::string header;
};

RunInput split_input(const std::string &bytes)
{
    RunInput input;
    std::vector<std::string> with_header = split_at(bytes, "\n#hdr#\n");
    if (with_header.size() > 1) {
        input.has_header = true;
        input.header = with_header[1];
    }
    std::vector<std::string> traces = split_at(with_header[0], "\n#tdf#\n");
    if (traces.size() > 1)
        input.dynamic_trace = traces[1];
    input.static_traces = split_at(traces[0], "\n#tsf#\n");
    if (input.static_traces.size() > max_static_traces)
        input.static_traces.resize(max_static_traces);
    return input;
}

std::string excerpt(const QByteArray &document, qint64 offset)
{
    const qint64 from = offset > 200 ? offset - 200 : 0;
    return document.mid(from, 400).toStdString();
}

void check_document(const QByteArray &document)
{
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);
    bool root_seen = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && !root_seen) {
            root_seen = true;
            FUZZ_CHECK(reader.qualifiedName() == QLatin1String("XROD"), "the root is not XROD");
        }
    }
    FUZZ_CHECK(!reader.hasError(),
               "results document not well-formed: " + reader.errorString().toStdString() + " at "
                   + std::to_string(reader.lineNumber()) + ":" + std::to_string(reader.columnNumber())
                   + "\n" + excerpt(document, reader.characterOffset()));
    FUZZ_CHECK(root_seen, "results document without a root element");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz_start_application();
    results_file = memory_file_create("results");
    header_file = memory_file_create("studio-header");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const RunInput input = split_input(std::string(reinterpret_cast<const char *>(data), size));
    if (input.has_header) {
        memory_file_write(header_file, input.header.data(), input.header.size());
        setenv("ZEPH_STUDIO_HEADER_FILE", header_file.path.c_str(), 1);
    } else {
        unsetenv("ZEPH_STUDIO_HEADER_FILE");
    }

    fuzz_reset_state();
    tree_init();
    int32_t counter = 0;
    for (size_t i = 0; i < input.static_traces.size(); ++i) {
        const std::string &trace = input.static_traces[i];
        const std::string name = "static" + std::to_string(i) + ".tsf";
        TraceStream *stream = trace_open_memory(trace.data(), trace.size());
        FUZZ_CHECK(read_static_stream(stream, name.c_str(), &counter) == 0, "static trace " + name);
        trace_close(stream);
    }
    TraceStream *stream = trace_open_memory(input.dynamic_trace.data(), input.dynamic_trace.size());
    FUZZ_CHECK(read_dynamic_stream(stream) == 0, "dynamic trace");
    trace_close(stream);
    roll_up_verdicts();
    FUZZ_CHECK(write_results_file(results_file.path.c_str()) == WRITE_OK, "writing the results file");
    fuzz_reset_state();

    const std::string written = memory_file_read(results_file);
    check_document(QByteArray::fromRawData(written.data(), static_cast<qsizetype>(written.size())));
    return 0;
}
