#include "report_language.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

namespace {

const char INFO_CONTEXT[] = "TALLYGEN global information";
const char INFO_TITLE[] = "Report Information";

QStringList locale_folders()
{
    QStringList folders;
    const QString installation = QString::fromLocal8Bit(qgetenv("KORVELDIR"));
    if (!installation.isEmpty())
        folders.append(QDir(installation).filePath(QStringLiteral("lib/locale")));
    folders.append(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib/locale")));
    return folders;
}

}  // namespace

QString report_language(const view_results &results)
{
    const QString title = results.info_title.simplified();
    if (title == QLatin1String(INFO_TITLE))
        return QStringLiteral("en");
    for (const QString &folder : locale_folders()) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList({QStringLiteral("tallygen_*.qm")}, QDir::Files, QDir::Name)) {
            QTranslator catalogue;
            if (catalogue.load(dir.filePath(name)) && catalogue.translate(INFO_CONTEXT, INFO_TITLE) == title)
                return name.mid(9, name.size() - 12).replace(QLatin1Char('_'), QLatin1Char('-'));  // tallygen_<lang>.qm
        }
    }
    return QString();
}
