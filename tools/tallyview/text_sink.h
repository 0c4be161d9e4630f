// A buffered UTF-8 writer for the two output formats: literal markup goes in
// as is, texts go in escaped for XML and HTML alike (& < > " ' as entities,
// characters XML 1.0 cannot carry as U+FFFD). The buffer is handed to the
// device in large blocks, never character by character.
#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

struct text_sink {
    QIODevice *device = nullptr;
    QByteArray buffer;
    bool failed = false;  // a write to the device failed
};

void sink_literal(text_sink &sink, const char *markup);
void sink_bytes(text_sink &sink, const QByteArray &bytes);
void sink_number(text_sink &sink, long long value);

// Element text: white space passes as it is.
void sink_text(text_sink &sink, const QString &text);

// Attribute value: tab, line feed and carriage return become character
// references too, so that a reader gets them back unchanged.
void sink_attribute(text_sink &sink, const QString &text);

// A JSON string, quotes included: " and \ escaped, control characters as
// \u00XX, everything else as UTF-8.
void sink_json(text_sink &sink, const QString &text);

// Writes what is buffered; false when the device refused it.
bool sink_flush(text_sink &sink);
