#pragma once

#include "platform/failure.h"

#include <QEventLoopLocker>
#include <QObject>
#include <QString>

#include <functional>

class QNetworkAccessManager;

namespace commands {

// Downloads an address into a file (or writes its document, where that is at
// hand: a kept picture's), replaced only once the whole picture has
// arrived: a failed, interrupted or refused download leaves any file at that
// path as it was. done gets None, or FileNotFound when the picture did not
// arrive, PermissionDenied when the file may not be written, or
// PathFileAccessError when writing it failed otherwise.
//
// The save is a child of parent while it runs and deletes itself when done.
// Until then it keeps the application running, so that a save the user
// asked for is finished even when the window has been closed meanwhile.
class PictureSave : public QObject
{
    Q_OBJECT

public:
    static void start(QNetworkAccessManager &network, const QString &address,
                      const QByteArray &document, const QString &path, QObject *parent,
                      std::function<void(platform::Failure failure)> done);

private:
    using QObject::QObject;
    QEventLoopLocker m_keepRunning;
};

} // namespace commands
