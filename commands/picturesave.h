#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;

namespace commands {

// Downloads an address into a file. The file is replaced only once the whole
// picture has arrived; a failed, interrupted or refused download leaves any
// file at that path as it was. Nothing is reported either way. The object
// deletes itself when done.
class PictureSave : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxPictureBytes = 64 * 1024 * 1024;

    static void start(QNetworkAccessManager &network, const QString &address,
                      const QString &path, QObject *parent);

signals:
    void finished(bool saved);

private:
    PictureSave(QObject *parent) : QObject(parent) {}
};

} // namespace commands
