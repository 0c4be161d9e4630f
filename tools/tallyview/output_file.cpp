// The writers never fail on their own; only the device can, which the sink
// records. A named file is committed only when every block went through.
#include "output_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

int write_output(const QString &path, const std::function<void(text_sink &)> &writer, QString &error)
{
    if (path.isEmpty() || path == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly)) {
            error = QCoreApplication::translate("tallyview", "standard output: %1").arg(out.errorString());
            return -1;
        }
        text_sink sink;
        sink.device = &out;
        writer(sink);
        if (!sink_flush(sink) || !out.flush()) {
            error = QCoreApplication::translate("tallyview", "standard output: %1").arg(out.errorString());
            return -1;
        }
        return 0;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QCoreApplication::translate("tallyview", "%1: cannot be written: %2").arg(path, file.errorString());
        return -1;
    }
    text_sink sink;
    sink.device = &file;
    writer(sink);
    if (!sink_flush(sink)) {
        error = QCoreApplication::translate("tallyview", "%1: cannot be written: %2").arg(path, file.errorString());
        file.cancelWriting();
        return -1;
    }
    if (!file.commit()) {
        error = QCoreApplication::translate("tallyview", "%1: cannot be written: %2").arg(path, file.errorString());
        return -1;
    }
    return 0;
}
