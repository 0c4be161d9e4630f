// A catalogue held in memory: translations keyed by (context, source text),
// installed for the scope's lifetime. Lets the report tests check that
// translated labels reach the document, without compiled catalogue files.
#pragma once

#include <QCoreApplication>
#include <QTranslator>
#include <map>
#include <string>
#include <utility>

class MapTranslator : public QTranslator {
public:
    MapTranslator() { QCoreApplication::installTranslator(this); }
    ~MapTranslator() override { QCoreApplication::removeTranslator(this); }

    void add(const char *context, const char *source, const QString &translation)
    {
        entries_[{context, source}] = translation;
    }

    QString translate(const char *context, const char *source, const char *, int) const override
    {
        const auto found = entries_.find({context ? context : "", source ? source : ""});
        return found == entries_.end() ? QString() : found->second;
    }

    bool isEmpty() const override { return false; }

private:
    std::map<std::pair<std::string, std::string>, QString> entries_;
};
