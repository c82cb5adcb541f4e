#include "pictureload.h"

#include "archive.h"
#include "piclocator.h"
#include "regiontable.h"

#include "platform/background.h"
#include "platform/browsercontrol.h"
#include "platform/failure.h"
#include "platform/http.h"
#include "platform/picture.h"
#include "platform/wholefile.h"

namespace retrieval {

using platform::HttpGet;
namespace failure = platform::failure;

PictureLoad::PictureLoad(QNetworkAccessManager &network, platform::BrowserControl &browser,
                         QString pageAddress, QString archiveAddress, QString pictureFile,
                         QObject *parent)
    : QObject(parent),
      m_network(network),
      m_browser(browser),
      m_pageAddress(std::move(pageAddress)),
      m_archiveAddress(std::move(archiveAddress)),
      m_pictureFile(std::move(pictureFile))
{
}

PictureLoad::~PictureLoad() = default;

void PictureLoad::start()
{
    m_running = true;
    get(m_pageAddress, MaxPageBytes, &PictureLoad::pageArrived);
}

void PictureLoad::get(const QString &address, qint64 maxBytes, void (PictureLoad::*arrived)())
{
    // The request being replaced may be the one whose signal is running.
    if (m_request)
        m_request.release()->deleteLater();
    m_request = std::make_unique<HttpGet>(m_network, QUrl(address), HttpGet::Body::Keep, maxBytes);
    connect(m_request.get(), &HttpGet::finished, this, arrived);
}

void PictureLoad::pageArrived()
{
    const platform::HttpResult &page = m_request->result();
    if (!page.succeeded()) {
        fail(page.failure); // no page, so nothing to go on with
        return;
    }
    // Whatever the status, the body is read as a page, in the locale's
    // encoding, whatever the page declares.
    const std::optional<QString> picPath = FindPicPath(QString::fromLocal8Bit(page.body));
    const QString picUrl = PicHost() + picPath.value_or(QString());
    if (!picPath || !isOnPicHost(picUrl)) {
        noPicture(failure::InvalidArgument);
        return;
    }
    emit picUrlFound(picUrl);
    m_browser.navigate(picUrl);
    get(picUrl, platform::MaxPictureBytes, &PictureLoad::pictureArrived);
}

void PictureLoad::pictureArrived()
{
    const platform::HttpResult &download = m_request->result();
    if (!download.isDocument()) {
        noPicture(failure::FileNotFound); // nothing arrived, whatever the reason
        return;
    }
    const QByteArray bytes = download.body;
    platform::inBackground<platform::Picture>(
        this, [bytes] { return platform::decodePicture(bytes); },
        [this, bytes](const platform::Picture &picture) {
            if (picture.failure != 0)
                noPicture(picture.failure);
            else
                show(bytes, picture.image);
        });
}

// The home page's picture, or the archive's, is not to be had.
void PictureLoad::noPicture(qint32 number)
{
    if (m_homeFailure != 0) {
        fail(m_homeFailure);
        return;
    }
    m_homeFailure = number;
    get(m_archiveAddress, MaxArchiveBytes, &PictureLoad::archiveArrived);
}

void PictureLoad::archiveArrived()
{
    const platform::HttpResult &answer = m_request->result();
    const std::optional<ArchivePicture> picture =
        answer.isDocument() ? readArchive(answer.body) : std::nullopt;
    if (!picture) {
        fail(m_homeFailure);
        return;
    }
    // Nothing changes until the picture has arrived and proved to be one.
    m_archivePicture = picture->address;
    m_credit = picture->credit;
    get(m_archivePicture, platform::MaxPictureBytes, &PictureLoad::pictureArrived);
}

void PictureLoad::show(const QByteArray &bytes, const QImage &picture)
{
    if (m_homeFailure != 0) {
        emit picUrlFound(m_archivePicture);
        m_browser.navigate(m_archivePicture);
    }
    if (const qint32 number = platform::replaceWhole(m_pictureFile, bytes)) {
        fail(number);
        return;
    }
    m_running = false;
    emit pictureReady(picture, m_credit);
}

void PictureLoad::fail(qint32 number)
{
    m_running = false;
    emit failed(number);
}

} // namespace retrieval
