// Helpers of the report tests: small trees built through the tree's own
// operations, with verdicts and counters set directly, and a well-formedness
// check of written markup.
#pragma once

#include "tree/tree.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <string>

// Appends a node under (file, parent) and returns it with the given verdict
// and, for a check node, the given counters.
inline TestNode *add_node(int32_t file, int32_t type, uint32_t id, const char *text, uint32_t parent,
                          int32_t status, int32_t line = 0, CheckCounters counters = {0, 0, 0, 0})
{
    add_child(file, type, id, text, parent, line);
    TestNode *node = find_node(file, id);
    node->status = status;
    if (node->extension)
        *node->extension = counters;
    return node;
}

inline TestNode *add_driver(int32_t file, uint32_t id, const char *text, int32_t status,
                            const char *source = nullptr)
{
    add_file(file, id, text);
    if (source)
        set_file_names(file, source);
    TestNode *node = find_node(file, id);
    node->status = status;
    return node;
}

// Empty, or the parser's complaint, for text that is not well-formed XML 1.0;
// a fragment is checked inside a wrapper element. XROD:NODE and the like are
// plain names here: the document declares no namespace.
inline std::string xml_error(const std::string &text, bool fragment)
{
    const std::string document = fragment ? "<fragment>" + text + "</fragment>" : text;
    QXmlStreamReader reader(QByteArray(document.data(), static_cast<qsizetype>(document.size())));
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd())
        reader.readNext();
    if (!reader.hasError())
        return std::string();
    return reader.errorString().toStdString() + " at line " + std::to_string(reader.lineNumber());
}

inline size_t count_of(const std::string &text, const std::string &piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
        ++count;
    return count;
}
