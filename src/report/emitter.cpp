// The markup emitter: each writer builds its piece of markup in one
// process-wide scratch buffer through the matching append_* builder and
// hands it to the stream with a single fwrite, so that writing a large
// report costs one library call per element rather than per character.
// Stream errors are not looked at here; the document writer checks the
// stream once at the end.
#include "report/emitter.h"

#include "report/background_writer.h"
#include "report/escape.h"
#include "report/vocabulary.h"

int tag_counter = 0;

int take_tag_number()
{
    return tag_counter++;
}

namespace {

// The one scratch buffer of the element writers, which run on the calling
// thread only (the section writer keeps buffers of its own per thread).
Markup &scratch()
{
    static Markup buffer;
    buffer.clear();
    return buffer;
}

// The opening tags of the cells in each style, whole: a row takes several,
// and one piece is one copy. In the order of CellStyle; any other style is
// written as failed.
struct Piece {
    const char *bytes;
    size_t length;
};

template <size_t N>
constexpr Piece piece(const char (&text)[N])
{
    return {text, N - 1};
}

const Piece cell_text_opens[] = {
    piece("<CELL_TEXT STYLE=\"Array Title\">"),
    piece("<CELL_TEXT STYLE=\"Array\">"),
    piece("<CELL_TEXT STYLE=\"Array Failed\">"),
    piece("<CELL_TEXT STYLE=\"Array Passed\">"),
};

const Piece link_cell_opens[] = {
    piece("<CELL STYLE=\"Array Title\"><LINK TARGET=\""),
    piece("<CELL STYLE=\"Array\"><LINK TARGET=\""),
    piece("<CELL STYLE=\"Array Failed\"><LINK TARGET=\""),
    piece("<CELL STYLE=\"Array Passed\"><LINK TARGET=\""),
};

size_t style_index(int style)
{
    return style >= CELL_TITLE && style <= CELL_PASSED ? static_cast<size_t>(style) : size_t(CELL_FAILED);
}

void append_text(Markup &out, const char *text)
{
    if (text)
        out.append(text);
}

}  // namespace

void write_buffer(FILE *stream, const Markup &bytes)
{
    if (!bytes.empty() && !background_writer_take(stream, bytes.data(), bytes.size()))
        fwrite_unlocked(bytes.data(), 1, bytes.size(), stream);
}


void append_tag(Markup &out, const char *name, bool closing)
{
    out.append(closing ? "</" : "<");
    append_text(out, name);
    out.append(">\n");
}

namespace {

void append_title_open(Markup &out, int level, int verdict, int number)
{
    out.append("<TITLE LEVEL=\"");
    append_number(out, level);
    out.append("\" TAG=\"nodex");
    append_number(out, number);
    out.append("\" STYLE=\"Title");
    append_number(out, level >= 4 ? 5 : level + 1);
    if (verdict == CELL_FAILED)
        out.append(" Failed");
    else if (verdict == CELL_PASSED)
        out.append(" Passed");
    out.append("\">\n<TEXT>");
}

void append_title_close(Markup &out)
{
    out.append("</TEXT>\n</TITLE>\n");
}

}  // namespace

void append_title(Markup &out, const QString &text, int level, int verdict, int number)
{
    append_title_open(out, level, verdict, number);
    append_escaped(out, text, true);
    append_title_close(out);
}

void append_title(Markup &out, const QString &head, const char *tail, int level,
                  int verdict, int number)
{
    append_title_open(out, level, verdict, number);
    append_escaped_joined(out, head, tail);
    append_title_close(out);
}

void append_cell_text_open(Markup &out, int style)
{
    const Piece &open = cell_text_opens[style_index(style)];
    out.append(open.bytes, open.length);
}

void append_cell_text(Markup &out, const char *text, int style)
{
    append_cell_text_open(out, style);
    append_escaped(out, text, true);
    out.append("</CELL_TEXT>\n");
}

void append_cell_text(Markup &out, const QString &text, int style)
{
    append_cell_text_open(out, style);
    append_escaped(out, text, true);
    out.append("</CELL_TEXT>\n");
}

void append_cell_number(Markup &out, long long number, int style)
{
    append_cell_text_open(out, style);
    append_number(out, number);
    out.append("</CELL_TEXT>\n");
}

void append_link_cell(Markup &out, const char *text, int style,
                      const Markup &escaped_target, int line)
{
    const Piece &open = link_cell_opens[style_index(style)];
    out.append(open.bytes, open.length);
    out.append(escaped_target);
    out.append(" line ");
    append_number(out, line);
    out.append("\">\n<TEXT>");
    append_escaped(out, text, true);
    out.append("</TEXT>\n</LINK>\n</CELL>\n");
}

void append_header_row(Markup &out, const QString *labels, int style)
{
    out.append("<ROW>\n");
    for (int i = 0; i < 5; ++i)
        append_cell_text(out, labels[i], style);
    out.append("</ROW>\n");
}

void append_tree_node(Markup &out, const Markup &escaped_name,
                      const Markup &escaped_type_name, const char *state, int sum, int icon)
{
    out.append("<XROD:NODE name=\"");
    out.append(escaped_name);
    out.append("\" type=\"");
    out.append(escaped_type_name);
    out.append("\" state=\"");
    append_text(out, state);
    out.append("\"");
    if (sum > 0) {
        out.append(" sum=\"");
        append_number(out, sum);
        out.append("\"");
    }
    switch (icon) {
    case ICON_METHOD: out.append(" icone=\"method.xpm\""); break;
    case ICON_CLASS: out.append(" icone=\"class.xpm\""); break;
    case ICON_TEST_SCRIPT: out.append(" icone=\"testscript.xpm\""); break;
    default: break;
    }
    out.append(">");
}

void write_escaped(FILE *stream, const char *text)
{
    Markup &out = scratch();
    append_escaped(out, text, true);
    write_buffer(stream, out);
}

void write_escaped_string(FILE *stream, const QString &text)
{
    Markup &out = scratch();
    append_escaped(out, text, true);
    write_buffer(stream, out);
}

void write_title(FILE *stream, const QString &text, int level, int verdict, int number)
{
    Markup &out = scratch();
    append_title(out, text, level, verdict, number);
    write_buffer(stream, out);
}

void write_link_cell(FILE *stream, const char *text, int style, const char *target, int line)
{
    Markup escaped_target;
    append_escaped(escaped_target, target, true);
    Markup &out = scratch();
    append_link_cell(out, text, style, escaped_target, line);
    write_buffer(stream, out);
}

void append_check_header_row(Markup &out, int style)
{
    const QString labels[5] = {check_heading(0), check_heading(1), check_heading(2), check_heading(3),
                               check_heading(4)};
    append_header_row(out, labels, style);
}

void append_stub_header_row(Markup &out, int style)
{
    const QString labels[5] = {stub_heading(0), stub_heading(1), stub_heading(2), stub_heading(3),
                               stub_heading(4)};
    append_header_row(out, labels, style);
}

void write_check_header_row(FILE *stream, int style)
{
    Markup &out = scratch();
    append_check_header_row(out, style);
    write_buffer(stream, out);
}

void write_stub_header_row(FILE *stream, int style)
{
    Markup &out = scratch();
    append_stub_header_row(out, style);
    write_buffer(stream, out);
}

