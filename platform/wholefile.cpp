#include "wholefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

Failure replaceWhole(const QString &path, const std::function<bool(QIODevice &file)> &write)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && write(file) && file.commit())
        return Failure::None;
    // Qt does not tell a refusal from other failures; the folder and the file do.
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    const bool refused =
            (folder.exists() && !folder.isWritable()) || (target.exists() && !target.isWritable());
    return refused ? Failure::PermissionDenied : Failure::PathFileAccessError;
}

Failure replaceWhole(const QString &path, const QByteArray &bytes)
{
    return replaceWhole(path,
                        [&bytes](QIODevice &file) { return file.write(bytes) == bytes.size(); });
}

QByteArray readWhole(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace platform
