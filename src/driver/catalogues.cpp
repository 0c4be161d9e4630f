#include "driver/catalogues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <vector>

void print_string(const QString &text, FILE *stream)
{
    const QByteArray bytes = text.toLocal8Bit();
    fwrite(bytes.constData(), 1, bytes.size(), stream);
}

namespace {

QString locale_directory(const QString &installation)
{
    return installation + QDir::separator() + QStringLiteral("lib") + QDir::separator() + QStringLiteral("locale");
}

void install_from(QCoreApplication &app, const QString &directory, const QStringList &prefixes)
{
    // Installed translators live until the process ends. The list that keeps
    // them is never freed either, so they stay reachable to the end (a leak
    // checker sees no loose blocks once the application object is gone).
    static std::vector<QTranslator *> *installed = new std::vector<QTranslator *>;
    const QString locale = QLocale::system().name();
    for (const QString &prefix : prefixes) {
        QTranslator *translator = new QTranslator;
        if (translator->load(prefix + locale, directory)) {
            app.installTranslator(translator);
            installed->push_back(translator);
        } else {
            delete translator;
        }
    }
}

}  // namespace

void load_catalogues(QCoreApplication &app, const QStringList &prefixes)
{
    const QString installation = QString::fromLocal8Bit(qgetenv("KORVELDIR"));
    if (installation.isEmpty()) {
        print_string(QStringLiteral("Fatal Error: please setup KORVELDIR environment variable.\n"), stderr);
        exit(-1);
    }

    const QFileInfo info(locale_directory(installation));
    if (!info.isDir()) {
        QString message = QStringLiteral("Fatal Error: directory doesn't exist '%1'\n");
        message.replace(QStringLiteral("%1"), info.filePath());
        print_string(message, stderr);
        exit(-1);
    }
    install_from(app, info.filePath(), prefixes);
}

void load_catalogues_if_present(QCoreApplication &app, const QStringList &prefixes)
{
    const QString installation = QString::fromLocal8Bit(qgetenv("KORVELDIR"));
    if (!installation.isEmpty() && QFileInfo(locale_directory(installation)).isDir())
        install_from(app, locale_directory(installation), prefixes);
}
