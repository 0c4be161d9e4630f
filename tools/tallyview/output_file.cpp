// The writers never fail on their own; only the device can, which the sink
// records. A named regular file is committed only when every block went
// through; a FIFO or device is written as it is, never replaced.
#include "output_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace {

// Runs the writer into an open device; false when a block or the final
// flush did not go through.
bool write_into(QFileDevice &device, const std::function<void(text_sink &)> &writer)
{
    text_sink sink;
    sink.device = &device;
    writer(sink);
    return sink_flush(sink) && device.flush();
}

QString cannot_write(const QString &path, const QFileDevice &device)
{
    return QCoreApplication::translate("tallyview", "%1: cannot be written: %2").arg(path, device.errorString());
}

// An existing path that names something other than a file or a folder (a
// FIFO, a terminal, /dev/null, /dev/full), after symbolic links.
bool is_special_file(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile() && !info.isDir();
}

}  // namespace

int write_output(const QString &path, const std::function<void(text_sink &)> &writer, QString &error)
{
    if (path.isEmpty() || path == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || !write_into(out, writer)) {
            error = QCoreApplication::translate("tallyview", "standard output: %1").arg(out.errorString());
            return -1;
        }
        return 0;
    }

    if (is_special_file(path)) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || !write_into(out, writer)) {
            error = cannot_write(path, out);
            return -1;
        }
        return 0;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = cannot_write(path, file);
        return -1;
    }
    if (!write_into(file, writer)) {
        error = cannot_write(path, file);
        file.cancelWriting();
        return -1;
    }
    if (!file.commit()) {
        error = cannot_write(path, file);
        return -1;
    }
    return 0;
}
