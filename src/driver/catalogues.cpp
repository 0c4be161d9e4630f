#include "driver/catalogues.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>

void print_string(const QString &text, FILE *stream)
{
    const QByteArray bytes = text.toLocal8Bit();
    fwrite(bytes.constData(), 1, bytes.size(), stream);
}

void load_catalogues(QCoreApplication &app, const QStringList &prefixes)
{
    const QString installation = QString::fromLocal8Bit(qgetenv("KORVELDIR"));
    if (installation.isEmpty()) {
        print_string(QStringLiteral("Fatal Error: please setup KORVELDIR environment variable.\n"), stderr);
        exit(-1);
    }

    const QString directory = installation + QDir::separator() + QStringLiteral("lib")
                              + QDir::separator() + QStringLiteral("locale");
    const QFileInfo info(directory);
    if (!info.isDir()) {
        QString message = QStringLiteral("Fatal Error: directory doesn't exist '%1'\n");
        message.replace(QStringLiteral("%1"), info.filePath());
        print_string(message, stderr);
        exit(-1);
    }

    const QString locale = QLocale::system().name();
    for (const QString &prefix : prefixes) {
        // Installed translators live until the process ends.
        QTranslator *translator = new QTranslator;
        if (translator->load(prefix + locale, directory))
            app.installTranslator(translator);
        else
            delete translator;
    }
}
