#include "picturedays.h"

#include "piclocator.h"
#include "regiontable.h"

#include "platform/http.h"
#include "platform/picture.h"
#include "platform/wholefile.h"

namespace retrieval {

using platform::Failure;
using platform::FetchedPicture;

PictureDays::PictureDays(QNetworkAccessManager &network, QString pictureFile, QObject *parent)
    : QObject(parent), m_network(network), m_pictureFile(std::move(pictureFile))
{
}

PictureDays::~PictureDays() = default;

bool PictureDays::canLoadOlder() const
{
    const bool beyond = m_region.archiveAsked && from() + 1 >= m_region.days.size();
    return m_day >= 0 && m_loading != Newest && !beyond;
}

bool PictureDays::canLoadNewer() const
{
    return m_day >= 0 && m_loading != Newest && from() > 0;
}

void PictureDays::start(int loading)
{
    m_load = std::make_unique<QObject>();
    m_loading = loading;
    emit daysChanged();
}

void PictureDays::loadNewest(const QString &pageAddress, const QString &market)
{
    start(Newest);
    using platform::HttpGet;
    auto *get = new HttpGet(m_network, QUrl(pageAddress), HttpGet::Body::Keep, MaxPageBytes,
                            m_load.get());
    connect(get, &HttpGet::finished, m_load.get(), [this, get, market] {
        get->deleteLater();
        const platform::HttpResult &page = get->result();
        if (!page.succeeded()) {
            fail(page.failure); // no page, so nothing to go on with
            return;
        }
        // Whatever the status, the body is read as a page, in the locale's
        // encoding, whatever the page declares.
        const std::optional<QString> path = FindPicPath(QString::fromLocal8Bit(page.body));
        const QString picUrl = PicHost() + path.value_or(QString());
        if (!path || !isOnPicHost(picUrl)) {
            archiveInstead(market, Failure::InvalidArgument);
            return;
        }
        emit picUrlFound(picUrl);
        platform::fetchPicture(
                m_network, picUrl, m_load.get(), platform::decodePicture,
                [this, market, picUrl](const FetchedPicture &fetched) {
                    if (fetched.failure != Failure::None)
                        archiveInstead(market, fetched.failure);
                    else
                        show({ market, { { picUrl, {}, {}, {}, {} } }, {}, false }, 0, fetched);
                });
    });
}

// The home page gave no picture: the archive's newest instead, where it has
// one that arrives as a picture, or else the home page's failure.
void PictureDays::archiveInstead(const QString &market, Failure homeFailure)
{
    const auto found = [this, market, homeFailure](const QList<ArchivePicture> &days, Failure) {
        if (days.isEmpty()) {
            fail(homeFailure);
            return;
        }
        platform::fetchPicture(m_network, days[0].address, m_load.get(), platform::decodePicture,
                               [this, market, days, homeFailure](const FetchedPicture &fetched) {
                                   if (fetched.failure != Failure::None) {
                                       fail(homeFailure);
                                       return;
                                   }
                                   emit picUrlFound(days[0].address);
                                   show({ market, days, {}, true }, 0, fetched);
                               });
    };
    fetchArchive(m_network, market, ArchiveDays, m_load.get(), found);
}

void PictureDays::stop()
{
    m_load.reset();
    m_loading = Idle;
}

bool PictureDays::loadOlder()
{
    return loadDay(from() + 1);
}

bool PictureDays::loadNewer()
{
    return loadDay(from() - 1);
}

bool PictureDays::loadDay(int day)
{
    const bool beyond = m_region.archiveAsked && day >= m_region.days.size();
    if (m_day < 0 || m_loading == Newest || day < 0 || beyond)
        return false;
    start(day);
    if (m_region.archiveAsked) {
        fetchDay(day);
        return true;
    }
    fetchArchive(m_network, m_region.market, ArchiveDays, m_load.get(),
                 [this, day](const QList<ArchivePicture> &days, Failure failure) {
                     // An answer that is not the archive's says there are no
                     // days before; no answer at all is said so.
                     if (days.isEmpty() && failure != Failure::FileNotFound
                         && failure != Failure::InvalidArgument) {
                         fail(failure);
                         return;
                     }
                     m_region.days = QList<ArchivePicture>{ m_region.days.value(0) } + days.mid(1);
                     m_region.archiveAsked = true;
                     if (day < m_region.days.size())
                         fetchDay(day);
                     else
                         fail(Failure::None);
                 });
    return true;
}

// A day of the region on display, downloaded where it was not before.
void PictureDays::fetchDay(int day)
{
    const ArchivePicture picture = m_region.days.value(day);
    const auto arrived = [this, day, picture](const FetchedPicture &fetched) {
        if (fetched.failure != Failure::None) {
            fail(fetched.failure);
            return;
        }
        emit picUrlFound(picture.address);
        show(m_region, day, fetched);
    };
    const QByteArray fetched = m_region.pictures.value(day);
    if (fetched.isEmpty())
        platform::fetchPicture(m_network, picture.address, m_load.get(), platform::decodePicture,
                               arrived);
    else
        platform::decodeOnWorker(fetched, m_load.get(), platform::decodePicture, arrived);
}

void PictureDays::show(Region region, int day, const FetchedPicture &fetched)
{
    if (const Failure failure = platform::replaceWhole(m_pictureFile, fetched.bytes);
        failure != Failure::None) {
        fail(failure);
        return;
    }
    region.pictures.resize(std::max(region.pictures.size(), qsizetype(day) + 1));
    region.pictures[day] = fetched.bytes;
    m_region = std::move(region);
    m_day = day;
    m_loading = Idle;
    emit ended(fetched.picture, shown().credit, Failure::None);
    emit daysChanged();
}

// Ends the load; None ends it with nothing to say.
void PictureDays::fail(Failure failure)
{
    m_loading = Idle;
    if (failure != Failure::None)
        emit ended({}, {}, failure);
    emit daysChanged();
}

} // namespace retrieval
