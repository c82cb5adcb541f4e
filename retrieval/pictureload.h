#pragma once

#include "archive.h"

#include "platform/failure.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class QNetworkAccessManager;

namespace platform {
class HttpGet;
}

namespace retrieval {

// One load of a picture: it is downloaded, and once it has been read as a
// picture, it is put into the picture file, replaced whole.
//
// start() loads the picture of the day: the home page is fetched and the
// picture's address found in it. Where the page arrives but gives no picture
// (no usable address, or nothing at it that is a picture), the image archive
// is asked instead; if that fails too, the load fails as the home page's
// picture did, and the archive's try has changed nothing.
//
// startDay() loads one day of the archive: the days are asked for first
// where none are known yet, and where the archive has no such day the load
// ends with nothing to show.
//
// Each step goes on when its reply arrives, and pictures are decoded on a
// worker thread, so the window keeps running. The load ends with one of
// pictureReady() or failed(), or, for a day the archive does not have, with
// neither. Deleting it abandons it: nothing more happens and nothing is
// reported.
class PictureLoad : public QObject
{
    Q_OBJECT

public:
    // Home pages longer than this fail with OutOfMemory.
    static constexpr qint64 MaxPageBytes = 16 * 1024 * 1024;

    PictureLoad(QNetworkAccessManager &network, QString pictureFile, QObject *parent = nullptr);
    ~PictureLoad() override;

    void start(const QString &pageAddress, const QString &archiveAddress);
    // fetched: the day's picture, where it has been downloaded before.
    void startDay(const QString &archiveAddress, const QList<ArchivePicture> &days, int day,
                  const QByteArray &fetched);
    bool isRunning() const { return m_running; }

signals:
    // The picture's address: a home page's as soon as it is found, the
    // archive's once its picture has arrived.
    void picUrlFound(const QString &picUrl);
    // What the archive answered, whenever it was asked; empty when the
    // answer was not the archive's.
    void daysFound(const QList<retrieval::ArchivePicture> &days);
    // bytes: the picture as it was downloaded.
    void pictureReady(const QImage &picture, const QByteArray &bytes);
    void failed(platform::Failure failure);

private:
    void get(const QString &address, qint64 maxBytes, void (PictureLoad::*arrived)());
    void pageArrived();
    void archiveArrived();
    void fetchDay(const QByteArray &fetched);
    void pictureArrived();
    void decode(const QByteArray &bytes);
    void noPicture(platform::Failure failure);
    void show(const QByteArray &bytes, const QImage &picture);
    void fail(platform::Failure failure);

    QNetworkAccessManager &m_network;
    const QString m_pictureFile;
    QString m_archiveAddress;
    std::unique_ptr<platform::HttpGet> m_request;
    bool m_running = false;
    // The home page's failure, once it has given no picture and the archive
    // is asked instead.
    platform::Failure m_homeFailure = platform::Failure::None;
    QList<ArchivePicture> m_days;
    int m_day = -1; // the archive's day being loaded; -1 for the home page's picture
};

} // namespace retrieval
