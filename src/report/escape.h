// Escaping of every text that reaches the results file: decode from the local
// 8-bit encoding, optionally simplify white space (as QString::simplified
// does), replace & " < > by their entities and write the result as UTF-8.
// Characters that XML 1.0 cannot carry become U+FFFD, so the document stays
// well-formed whatever the traces hold.
//
// Texts of ASCII and of UTF-8 characters that come back unchanged (not white
// space, not turned into U+FFFD) take a byte-wise path with no QString at
// all; it gives exactly the bytes of the general path, which the tests check.
#pragma once

#include "report/markup.h"

#include <QString>
#include <cstddef>

// 8-bit local text of the given length; null writes nothing.
void append_escaped(Markup &out, const char *text, size_t length, bool simplify);
void append_escaped(Markup &out, const char *text, bool simplify);
void append_escaped(Markup &out, const QString &text, bool simplify);

// The text head, one space and the local 8-bit tail, simplified and escaped
// as one text (white space may run across the join).
void append_escaped_joined(Markup &out, const QString &head, const char *tail);

// The general path, always through Unicode; exposed so that tests can
// compare it with the ASCII path.
void append_escaped_unicode(Markup &out, const QString &text, bool simplify);

// Appends an integer in signed decimal, like "%d". The counts of a row are
// mostly one or two digits: those are written inline.
void append_long_number(Markup &out, long long value);
inline void append_number(Markup &out, long long value)
{
    const unsigned long long small = static_cast<unsigned long long>(value);
    if (small < 10) {
        out.push_back(static_cast<char>('0' + small));
    } else if (small < 100) {
        char *at = out.extend(2);
        at[0] = static_cast<char>('0' + small / 10);
        at[1] = static_cast<char>('0' + small % 10);
    } else {
        append_long_number(out, value);
    }
}
