// Fuzz harness of decode_text and the field helpers beside it. The input is
// one trace text (cut at its first NUL byte, as the readers hand texts on).
// Besides the sanitizers' findings it checks that the byte-wise path for
// plain UTF-8 agrees with the path through Unicode: outside the
// character-set form, decoding a text and decoding its own UTF-8 round trip
// give the same result (unless the round trip starts with a byte-order mark,
// which decoding drops once more).
#include "fuzz_support.h"

#include "diagnostics/memory.h"
#include "readers/scan.h"

#include <QByteArray>
#include <QString>
#include <cstring>
#include <string>

namespace {

int unescaped_quotes(const char *text)
{
    int quotes = 0;
    bool escaped = false;
    for (const char *p = text; *p; ++p) {
        if (*p == '\\') {
            escaped = !escaped;
            continue;
        }
        if (*p == '"' && !escaped)
            ++quotes;
        escaped = false;
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz_start_application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), strnlen(reinterpret_cast<const char *>(data), size));

    const std::string direct = decoded(text.c_str());
    if (unescaped_quotes(text.c_str()) != 4) {
        const QByteArray round_trip = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLocal8Bit();
        if (unescaped_quotes(round_trip.constData()) != 4 && !round_trip.startsWith("\xef\xbb\xbf")) {
            const std::string through_unicode = decoded(round_trip.constData());
            FUZZ_CHECK(direct == through_unicode, "fast path differs: " + direct + " / " + through_unicode);
        }
    }

    for (int n = 0; n <= 3; ++n) {
        char *field = nth_field(text.c_str(), ' ', n);
        FUZZ_CHECK(!field || !strchr(field, ' '), "a field holds its separator");
        FUZZ_CHECK(!field || strlen(field) <= text.size(), "a field longer than its text");
        mem_free(field);
    }
    (void)parse_unsigned_field(text.c_str(), 16);
    (void)parse_unsigned_field(text.c_str(), 10);
    (void)parse_signed_decimal(text.c_str());
    return 0;
}
