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
// picture into the picture file (replaced only once the whole picture has
// arrived) and read the picture back from that file.
//
// Each step goes on when its reply arrives, so the window keeps running.
// The load ends with exactly one of pictureReady() or failed(). Deleting it
// abandons it: nothing more happens and nothing is reported.
class PictureLoad : public QObject
{
    Q_OBJECT

public:
    // Home pages longer than this fail with OutOfMemory.
    static constexpr qint64 MaxPageBytes = 16 * 1024 * 1024;

    PictureLoad(QNetworkAccessManager &network, platform::BrowserControl &browser,
                QString pageAddress, QString pictureFile, QObject *parent = nullptr);
    ~PictureLoad() override;

    void start();
    bool isRunning() const { return m_running; }

signals:
    // The picture's address has been found; the browser control is pointed
    // at it right after this.
    void picUrlFound(const QString &picUrl);
    void pictureReady(const QImage &picture);
    void failed(qint32 number);

private:
    void pageArrived();
    void pictureArrived();
    void dropRequest();
    void fail(qint32 number);

    QNetworkAccessManager &m_network;
    platform::BrowserControl &m_browser;
    const QString m_pageAddress;
    const QString m_pictureFile;
    std::unique_ptr<platform::HttpGet> m_request;
    bool m_running = false;
};

} // namespace retrieval
