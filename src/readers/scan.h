// Scanning primitives shared by the static and dynamic trace readers. Every
// returned text is a new NUL-terminated copy (mem_alloc) that the caller frees
// with mem_free. None of them reports errors: end of file ends a token.
#pragma once

#include <cstdint>
#include "readers/trace_stream.h"

// Up to the delimiter (consumed, not kept) or end of file; newlines are
// dropped; at most 1023 characters kept, the rest read and dropped.
char *read_until_char(TraceStream *stream, int delimiter);
// Up to the terminator, with backslash escapes; drops as many trailing stored
// characters as the terminator is long. Bounded by a 2000-byte buffer.
char *read_until_text(TraceStream *stream, const char *terminator);
// read_until_char into the caller's buffer of TOKEN_BUFFER_SIZE bytes, with
// no allocation; returns the token's length.
const size_t TOKEN_BUFFER_SIZE = 1024;
size_t read_token_into(TraceStream *stream, int delimiter, char *token);
// Reads up to the delimiter (consumed) or end of file, keeping nothing.
void skip_until_char(TraceStream *stream, int delimiter);
// read_until_char, then strtoul in the given base.
uint32_t read_number_field(TraceStream *stream, int delimiter, int base);
// Reads up to and including the first non-space character.
void skip_past_spaces(TraceStream *stream);
// Field n (from 1) of text split at separator, or null.
char *nth_field(const char *text, char separator, int n);
// Trace text to local 8-bit text with escapes resolved, or null when empty.
char *decode_text(const char *trace_text);

// The number parsing of read_number_field on a token already read: leading
// white space, an optional sign, in base 16 an optional 0x, digits up to the
// first non-digit (0 when none); out of range gives 0xffffffff.
uint32_t parse_unsigned_field(const char *text, int base);
// Decimal with leading white space and an optional sign, up to the first
// non-digit (0 when none); clamped to the 32-bit range.
int32_t parse_signed_decimal(const char *text);
