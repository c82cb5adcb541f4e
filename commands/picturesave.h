#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;

namespace commands {

// Downloads an address into a file. The file is replaced only once the whole
// picture has arrived; a failed, interrupted or refused download leaves any
// file at that path as it was. Nothing is reported either way. The save is a
// child of parent while it runs, and deletes itself when done.
class PictureSave : public QObject
{
    Q_OBJECT

public:
    static void start(QNetworkAccessManager &network, const QString &address,
                      const QString &path, QObject *parent);

private:
    using QObject::QObject;
};

} // namespace commands
