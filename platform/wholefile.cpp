#include "wholefile.h"

#include "failure.h"

#include <QSaveFile>

namespace platform {

qint32 replaceWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return 0;
    return file.error() == QFileDevice::PermissionsError ? failure::PermissionDenied
                                                         : failure::PathFileAccessError;
}

} // namespace platform
