#include "pictureload.h"

#include "piclocator.h"
#include "regiontable.h"

#include "platform/background.h"
#include "platform/http.h"
#include "platform/picture.h"
#include "platform/wholefile.h"

namespace retrieval {

using platform::Failure;
using platform::HttpGet;

PictureLoad::PictureLoad(QNetworkAccessManager &network, QString pictureFile, QObject *parent)
    : QObject(parent), m_network(network), m_pictureFile(std::move(pictureFile))
{
}

PictureLoad::~PictureLoad() = default;

void PictureLoad::start(const QString &pageAddress, const QString &archiveAddress)
{
    m_running = true;
    m_archiveAddress = archiveAddress;
    get(pageAddress, MaxPageBytes, &PictureLoad::pageArrived);
}

void PictureLoad::startDay(const QString &archiveAddress, const QList<ArchivePicture> &days, int day,
                           const QByteArray &fetched)
{
    m_running = true;
    m_archiveAddress = archiveAddress;
    m_days = days;
    m_day = day;
    if (m_days.isEmpty())
        get(m_archiveAddress, MaxArchiveBytes, &PictureLoad::archiveArrived);
    else
        fetchDay(fetched);
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
        noPicture(Failure::InvalidArgument);
        return;
    }
    emit picUrlFound(picUrl);
    get(picUrl, platform::MaxPictureBytes, &PictureLoad::pictureArrived);
}

void PictureLoad::archiveArrived()
{
    const platform::HttpResult &answer = m_request->result();
    m_days = answer.isDocument() ? readArchive(answer.body) : QList<ArchivePicture>();
    emit daysFound(m_days);
    if (m_day < m_days.size()) {
        fetchDay({});
    } else if (m_homeFailure != Failure::None) {
        fail(m_homeFailure);
    } else {
        m_running = false; // the archive has no such day: nothing to show
    }
}

void PictureLoad::fetchDay(const QByteArray &fetched)
{
    if (!fetched.isEmpty())
        decode(fetched);
    else
        get(m_days[m_day].address, platform::MaxPictureBytes, &PictureLoad::pictureArrived);
}

void PictureLoad::pictureArrived()
{
    const platform::HttpResult &download = m_request->result();
    if (download.isDocument())
        decode(download.body);
    else
        noPicture(Failure::FileNotFound); // nothing arrived, whatever the reason
}

void PictureLoad::decode(const QByteArray &bytes)
{
    platform::inBackground<QImage>(
        this, [bytes] { return platform::decodePicture(bytes); },
        [this, bytes](const QImage &picture) {
            if (picture.isNull())
                noPicture(Failure::InvalidPicture);
            else
                show(bytes, picture);
        });
}

// The picture asked for is not to be had. Where it was the home page's, the
// archive's newest is tried.
void PictureLoad::noPicture(Failure failure)
{
    if (m_day >= 0) {
        fail(m_homeFailure != Failure::None ? m_homeFailure : failure);
        return;
    }
    m_homeFailure = failure;
    m_day = 0;
    get(m_archiveAddress, MaxArchiveBytes, &PictureLoad::archiveArrived);
}

// Nothing changes until the picture has arrived and proved to be one.
void PictureLoad::show(const QByteArray &bytes, const QImage &picture)
{
    if (m_day >= 0)
        emit picUrlFound(m_days[m_day].address);
    if (const Failure failure = platform::replaceWhole(m_pictureFile, bytes); failure != Failure::None) {
        fail(failure);
        return;
    }
    m_running = false;
    emit pictureReady(picture, bytes);
}

void PictureLoad::fail(Failure failure)
{
    m_running = false;
    emit failed(failure);
}

} // namespace retrieval
