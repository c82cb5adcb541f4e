#include "pictureload.h"

#include "piclocator.h"
#include "regiontable.h"

#include "platform/browsercontrol.h"
#include "platform/failure.h"
#include "platform/http.h"
#include "platform/picturefile.h"
#include "platform/wholefile.h"

namespace retrieval {

using platform::HttpGet;

PictureLoad::PictureLoad(QNetworkAccessManager &network, platform::BrowserControl &browser,
                         QString pageAddress, QString pictureFile, QObject *parent)
    : QObject(parent),
      m_network(network),
      m_browser(browser),
      m_pageAddress(std::move(pageAddress)),
      m_pictureFile(std::move(pictureFile))
{
}

PictureLoad::~PictureLoad() = default;

void PictureLoad::start()
{
    m_running = true;
    m_request = std::make_unique<HttpGet>(m_network, QUrl(m_pageAddress), HttpGet::Body::Keep,
                                          MaxPageBytes);
    connect(m_request.get(), &HttpGet::finished, this, &PictureLoad::pageArrived);
}

void PictureLoad::pageArrived()
{
    const platform::HttpResult &page = m_request->result();
    if (!page.succeeded()) {
        fail(page.failure);
        return;
    }
    // Whatever the status, the body is read as a page, in the locale's
    // encoding, whatever the page declares.
    const QString text = QString::fromLocal8Bit(page.body);
    const std::optional<QString> picPath = FindPicPath(text);
    if (!picPath) {
        fail(platform::failure::InvalidArgument);
        return;
    }
    const QString picUrl = PicHost() + *picPath;
    if (!isOnPicHost(picUrl)) {
        fail(platform::failure::InvalidArgument);
        return;
    }
    emit picUrlFound(picUrl);
    m_browser.navigate(picUrl);

    dropRequest();
    m_request = std::make_unique<HttpGet>(m_network, QUrl(picUrl), HttpGet::Body::Keep,
                                          platform::MaxPictureBytes);
    connect(m_request.get(), &HttpGet::finished, this, &PictureLoad::pictureArrived);
}

void PictureLoad::pictureArrived()
{
    // A failed or refused download is not reported: the file keeps what it
    // held, and reading it back tells what there is to show.
    const platform::HttpResult &download = m_request->result();
    if (download.isDocument())
        platform::replaceWhole(m_pictureFile, download.body);
    dropRequest();

    platform::PictureFile picture = platform::loadPictureFile(m_pictureFile);
    if (picture.failure != 0) {
        fail(picture.failure);
        return;
    }
    m_running = false;
    emit pictureReady(picture.picture);
}

// The request being dropped may be the one whose signal is running.
void PictureLoad::dropRequest()
{
    if (m_request)
        m_request.release()->deleteLater();
}

void PictureLoad::fail(qint32 number)
{
    m_running = false;
    emit failed(number);
}

} // namespace retrieval
