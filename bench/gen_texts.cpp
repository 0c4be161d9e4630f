// Vocabulary and templates of the generated trace texts. Literals that carry
// trace escapes are C++ raw strings, so R"(\"a\")" is written to the trace as
// the six characters \"a\".
#include "gen_texts.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char *const nouns[] = {
    "Order",   "Ledger",  "Invoice", "Account", "Parser",  "Buffer",   "Cache",   "Queue",
    "Matrix",  "Vector",  "Token",   "Session", "Report",  "Widget",   "Sensor",  "Route",
    "Ticket",  "Payment", "Catalog", "Cursor",  "Channel", "Document", "Schema",  "Tariff",
    "Journal", "Basket",  "Profile", "Signal",  "Segment", "Archive",  "Gateway", "Window",
};

// Stems with non-ASCII letters, raw or as octal escapes; both decode to UTF-8.
const char *const unicode_nouns[] = {
    R"(Caf\303\251)", "Größe", R"(Na\303\257ve)", "Straße", "Émetteur", R"(R\303\251sum\303\251)",
    "Ångström", "Señal",
};

const char *const verbs[] = {
    "add",    "remove", "compute", "parse",  "format",   "open",   "close",   "validate",
    "merge",  "split",  "encode",  "decode", "transfer", "render", "lookup",  "schedule",
    "reset",  "flush",  "resolve", "sort",   "rotate",   "commit", "rollback", "export",
};

const char *const fields[] = {
    "total", "count", "name", "size", "balance", "status", "length", "owner", "limit", "rate",
};

// String literals as a Java source holds them, escaped once more by the tool.
const char *const literals[] = {
    R"(\"ok\")",
    R"(\"caf\303\251\")",
    R"(\"Gr\303\266\303\237e\")",
    "\\\"日本語\\\"",
    "\\\"naïve ✓\\\"",
    R"(\"C:\\\\temp\\\\out.csv\")",
    R"(\"a\\b\")",
    R"(\"col1\tcol2\")",
    R"(\"\342\202\254 12,50\")",
    R"(\"line\nbreak\")",
    R"(\"say \\\"hi\\\"\")",
    R"(\"\")",
    R"(\"€ 3.99\")",
    R"(\"ID-42\")",
};

const char *const exceptions[] = {
    "IllegalStateException", "IllegalArgumentException", "ArithmeticException",
    "NullPointerException",  "IndexOutOfBoundsException", "UnsupportedOperationException",
};

const char *const loggers[] = {"main", "worker-1", "worker-2", "scheduler", "io"};

void append_format(std::string &out, const char *format, ...) __attribute__((format(printf, 2, 3)));

void append_format(std::string &out, const char *format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0)
        out.append(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

const char *noun(rng &r)
{
    return rng_pick(r, nouns);
}

// lowerCamel variable name from a noun.
void append_variable(rng &r, std::string &out)
{
    const char *n = noun(r);
    out += static_cast<char>(n[0] - 'A' + 'a');
    out += n + 1;
}

void append_check(rng &r, uint32_t serial, std::string &out)
{
    const uint32_t a = serial % 97, b = serial % 13 + 1;
    switch (rng_below(r, 12)) {
    case 0:
        out += "assertEquals(";
        append_format(out, "%u, ", a + b);
        append_variable(r, out);
        append_format(out, ".%s(%u, %u))", rng_pick(r, verbs), a, b);
        break;
    case 1:
        append_variable(r, out);
        append_format(out, ".%s() == %u", rng_pick(r, fields), a);
        break;
    case 2:
        out += "assertTrue(";
        append_variable(r, out);
        append_format(out, ".is%s%u())", noun(r), b);
        break;
    case 3:
        out += "assertNotNull(";
        append_variable(r, out);
        append_format(out, ".get%s(%s))", noun(r), rng_pick(r, literals));
        break;
    case 4:
        append_variable(r, out);
        append_format(out, ".size() > %u && ready", a);
        break;
    case 5:
        append_format(out, "assertEquals(%s, ", rng_pick(r, literals));
        append_variable(r, out);
        append_format(out, ".%s())", rng_pick(r, verbs));
        break;
    case 6:
        out += "!";
        append_variable(r, out);
        append_format(out, ".isEmpty() /* #%u */", serial);
        break;
    case 7:
        append_format(out, "assertThrows(%s.class, () -> ", rng_pick(r, exceptions));
        append_variable(r, out);
        append_format(out, ".%s(%u))", rng_pick(r, verbs), a);
        break;
    case 8:
        append_format(out, R"(assertEquals(\"%s\", label%u.text()))", rng_pick(r, unicode_nouns), serial);
        break;
    case 9:
        out += "assertArrayEquals(new int[] {";
        append_format(out, "%u, %u, %u}, ", a, b, a + b);
        append_variable(r, out);
        out += ".toArray())";
        break;
    case 10:
        append_variable(r, out);
        append_format(out, ".%s(%s).equals(%s)", rng_pick(r, verbs), rng_pick(r, literals), rng_pick(r, literals));
        break;
    default:
        append_format(out, "Math.abs(rate%u - %u.%02u) < 1e-9", serial, a, b);
        break;
    }
}

} // namespace

void append_class_stem(rng &r, std::string &out)
{
    if (rng_chance(r, 60))
        out += rng_pick(r, unicode_nouns);
    else
        out += noun(r);
    out += noun(r);
}

void append_case_name(rng &r, uint32_t serial, std::string &out)
{
    const char *v = rng_pick(r, verbs);
    out += "test";
    out += static_cast<char>(v[0] - 'a' + 'A');
    out += v + 1;
    if (rng_chance(r, 40))
        out += rng_pick(r, unicode_nouns);
    else
        out += noun(r);
    append_format(out, "%u", serial);
}

void append_source_path(rng &r, const std::string &stem, std::string &out)
{
    static const char *const roots[] = {
        "/home/ci/workspace/shop", "/home/ci/work space/billing", "/srv/build/prøject",
        "/opt/agents/7/ledger",
    };
    static const char *const packages[] = {"core", "io", "model", "service", "util", "web"};
    out += rng_pick(r, roots);
    append_format(out, "/src/test/java/com/acme/%s/", rng_pick(r, packages));
    out += stem;
    out += "Test.java";
}

void append_statement(rng &r, stmt_kind kind, uint32_t serial, std::string &out)
{
    switch (kind) {
    case STMT_CHECK:
        append_check(r, serial, out);
        break;
    case STMT_MS:
        append_variable(r, out);
        append_format(out, ".%s(%u) raises %s", rng_pick(r, verbs), serial % 50, rng_pick(r, exceptions));
        break;
    case STMT_PRINT_LOG:
        // A second string literal makes four quotes, which the reader takes
        // for a character-set tagged text; keep that form rare.
        if (rng_chance(r, 50))
            append_format(out, R"(verifyLogMessage(\"%s %s\", %s))", rng_pick(r, verbs), noun(r),
                          rng_pick(r, literals));
        else
            append_format(out, R"(verifyLogMessage(\"%s %s\"))", rng_pick(r, verbs), noun(r));
        break;
    case STMT_PRINT_ENTER:
        append_format(out, R"(entermethod(\"%s%s\"))", rng_pick(r, verbs), noun(r));
        break;
    case STMT_PRINT_EXIT:
        append_format(out, R"(exitmethod(\"%s%s\"))", rng_pick(r, verbs), noun(r));
        break;
    case STMT_PRINT_TIMER_START:
        append_format(out, R"(timerStart(\"t%u\"))", serial % 8);
        break;
    case STMT_PRINT_TIMER_REPORT:
        append_format(out, R"(timerReportElapsedTime(\"t%u\"))", serial % 8);
        break;
    case STMT_COMMENT:
        append_format(out, R"(Timer t%u = createTimer(\"%s\"))", serial % 8, rng_pick(r, verbs));
        break;
    }
}

void append_message(rng &r, stmt_kind kind, bool failed, std::string &out)
{
    if (failed) {
        switch (rng_below(r, 4)) {
        case 0:
            append_format(out, "expected:<%u> but was:<%u>", rng_below(r, 100), rng_below(r, 100));
            break;
        case 1:
            append_format(out, R"(expected:<\"%s\"> but was:<\"%s\">)", rng_pick(r, unicode_nouns), noun(r));
            break;
        case 2:
            append_format(out, "java.lang.%s: %s failed", rng_pick(r, exceptions), rng_pick(r, verbs));
            break;
        default:
            append_format(out, R"(assertion failed at C:\\build\\%s.java:%u)", noun(r), rng_below(r, 900) + 10);
            break;
        }
        return;
    }
    switch (kind) {
    case STMT_PRINT_TIMER_START:
        append_format(out, "timer t%u started", rng_below(r, 8));
        return;
    case STMT_PRINT_TIMER_REPORT:
        append_format(out, "elapsed time: %u.%03u s", rng_below(r, 5), rng_below(r, 1000));
        return;
    case STMT_PRINT_ENTER:
    case STMT_PRINT_EXIT:
        append_format(out, "%s %s%s(%u)", kind == STMT_PRINT_ENTER ? "entering" : "leaving", rng_pick(r, verbs),
                      noun(r), rng_below(r, 10));
        return;
    default:
        break;
    }
    switch (rng_below(r, 8)) {
    case 0:
        append_format(out, "INFO  [%s] %s: %s %u items", rng_pick(r, loggers), noun(r), rng_pick(r, verbs),
                      rng_below(r, 500));
        break;
    case 1:
        append_format(out, R"(value \"%s\" accepted)", rng_pick(r, unicode_nouns));
        break;
    case 2:
        append_format(out, R"(wrote C:\\data\\%s%u.csv)", noun(r), rng_below(r, 100));
        break;
    case 3:
        append_format(out, R"(id\t%u\tname\t%s)", rng_below(r, 10000), noun(r));
        break;
    case 4:
        append_format(out, "%s → %s ✓", noun(r), noun(r));
        break;
    case 5:
        append_format(out, R"(Gr\303\266\303\237e %u cm, \342\202\254 %u)", rng_below(r, 300), rng_below(r, 90));
        break;
    case 6:
        append_format(out, "DEBUG [%s] %s.%s() returned %u", rng_pick(r, loggers), noun(r), rng_pick(r, verbs),
                      rng_below(r, 1000));
        break;
    default:
        append_format(out, "%s %s: ok", rng_pick(r, verbs), noun(r));
        break;
    }
}

void append_call_note(rng &r, bool entering, std::string &out)
{
    if (entering)
        append_format(out, "%s%s(%u) called", rng_pick(r, verbs), noun(r), rng_below(r, 20));
    else
        append_format(out, R"(returned \"%s\")", rng_pick(r, unicode_nouns));
}
