#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class QNetworkAccessManager;

namespace platform {
class BrowserControl;
class HttpGet;
} // namespace platform

namespace retrieval {

// One load of the picture of the day: fetch the home page, find the
// picture's address in it, point the browser control at it, download the
// picture, and once it has been read as a picture, put it into the picture
// file, replaced whole.
//
// Where the home page arrives but gives no picture (no usable address, or
// nothing at it that is a picture), the image archive is asked instead; if
// that fails too, the load fails as the home page's picture did, and the
// archive's try has changed nothing.
//
// Each step goes on when its reply arrives, and pictures are decoded on a
// worker thread, so the window keeps running. The load ends with exactly one
// of pictureReady() or failed(). Deleting it abandons it: nothing more
// happens and nothing is reported.
class PictureLoad : public QObject
{
    Q_OBJECT

public:
    // Home pages longer than this fail with OutOfMemory.
    static constexpr qint64 MaxPageBytes = 16 * 1024 * 1024;

    PictureLoad(QNetworkAccessManager &network, platform::BrowserControl &browser,
                QString pageAddress, QString archiveAddress, QString pictureFile,
                QObject *parent = nullptr);
    ~PictureLoad() override;

    void start();
    bool isRunning() const { return m_running; }

signals:
    // The picture's address has been found; the browser control is pointed
    // at it right after this.
    void picUrlFound(const QString &picUrl);
    // credit says what the picture shows and whose it is, where the archive
    // told; it is empty for a picture named by the home page.
    void pictureReady(const QImage &picture, const QString &credit);
    void failed(qint32 number);

private:
    void get(const QString &address, qint64 maxBytes, void (PictureLoad::*arrived)());
    void pageArrived();
    void pictureArrived();
    void archiveArrived();
    void noPicture(qint32 number);
    void show(const QByteArray &bytes, const QImage &picture);
    void fail(qint32 number);

    QNetworkAccessManager &m_network;
    platform::BrowserControl &m_browser;
    const QString m_pageAddress;
    const QString m_archiveAddress;
    const QString m_pictureFile;
    std::unique_ptr<platform::HttpGet> m_request;
    bool m_running = false;
    // Once the home page has given no picture: its failure, and what the
    // archive names instead.
    qint32 m_homeFailure = 0;
    QString m_archivePicture;
    QString m_credit;
};

} // namespace retrieval
