// Helpers of the report tests: small trees built through the tree's own
// operations, with verdicts and counters set directly, a well-formedness
// check of written markup, and a catalogue held in memory.
#pragma once

#include "tree/tree.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QTranslator>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>
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

// Translations keyed by (context, source text), installed for the scope's
// lifetime: translated labels without compiled catalogue files.
class MapTranslator : public QTranslator {
public:
    MapTranslator() { QCoreApplication::installTranslator(this); }
    ~MapTranslator() override { QCoreApplication::removeTranslator(this); }
    void add(const char *context, const char *source, const QString &text) { entries_[{context, source}] = text; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const auto found = entries_.find({context ? context : "", source ? source : ""});
        return found == entries_.end() ? QString() : found->second;
    }
    bool isEmpty() const override { return false; }

private:
    std::map<std::pair<std::string, std::string>, QString> entries_;
};
