#include "picturedays.h"

#include "kept.h"
#include "piclocator.h"
#include "regiontable.h"

#include "platform/http.h"
#include "platform/picture.h"
#include "platform/wholefile.h"
#include "platform/worker.h"

#include <QFile>

namespace retrieval {

using platform::Failure;
using platform::FetchedPicture;

PictureDays::PictureDays(QNetworkAccessManager &network, QString pictureFile, QString keptFolder,
                         QObject *parent)
    : QObject(parent),
      m_network(network),
      m_pictureFile(std::move(pictureFile)),
      m_keptFolder(std::move(keptFolder))
{
}

PictureDays::~PictureDays() = default;

bool PictureDays::canLoadOlder() const
{
    const bool known = from() + 1 < m_region.days.size() || !m_region.archiveAsked;
    const bool kept =
            !m_region.keptAsked && QFile::exists(m_keptFolder + QStringLiteral("/index.json"));
    return !m_region.market.isEmpty() && m_loading != Newest && (known || kept);
}

bool PictureDays::canLoadNewer() const
{
    return !m_region.market.isEmpty() && m_loading != Newest && from() > 0;
}

QDate PictureDays::shownDate() const
{
    return m_day > 0 || !shown().file.isEmpty() ? shown().day : QDate();
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
            failNewest(market, page.failure); // no page, so nothing to go on with
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
        emit picUrlFound(picUrl, {});
        platform::fetchPicture(m_network, picUrl, m_load.get(), platform::decodePicture,
                               [this, market, picUrl](const FetchedPicture &fetched) {
                                   if (fetched.failure != Failure::None)
                                       archiveInstead(market, fetched.failure);
                                   else
                                       show({ market, { { picUrl } }, {}, false }, 0, fetched);
                               });
    });
}

// The home page gave no picture: the archive's newest instead, where it has
// one that arrives as a picture, or else the home page's failure.
void PictureDays::archiveInstead(const QString &market, Failure homeFailure)
{
    const auto found = [this, market, homeFailure](const QList<ArchivePicture> &days, Failure) {
        if (days.isEmpty()) {
            failNewest(market, homeFailure);
            return;
        }
        platform::fetchPicture(m_network, days[0].address, m_load.get(), platform::decodePicture,
                               [this, market, days, homeFailure](const FetchedPicture &fetched) {
                                   if (fetched.failure != Failure::None) {
                                       fail(homeFailure);
                                       return;
                                   }
                                   emit picUrlFound(days[0].address, {});
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

// Nothing on display yet: the kept days of the market asked for are offered.
void PictureDays::failNewest(const QString &market, Failure failure)
{
    if (m_day < 0)
        m_region = { market, {}, {}, true, false };
    fail(failure);
}

bool PictureDays::loadDay(int day)
{
    if (day < 0 || (day >= m_region.days.size() && !canLoadOlder()) || m_loading == Newest)
        return false;
    start(day);
    reach(day);
    return true;
}

// Goes on toward a day, asking first for the days not known yet: the
// archive's, then the kept ones.
void PictureDays::reach(int day)
{
    if (day < m_region.days.size())
        fetchDay(day);
    else if (!m_region.archiveAsked)
        askArchive(day);
    else if (!m_region.keptAsked && !m_keptFolder.isEmpty())
        readKept(day);
    else
        fail(Failure::None);
}

// An answer that is not the archive's says there are no days before; no
// answer at all is said so, and the kept days come next.
void PictureDays::askArchive(int day)
{
    const auto found = [this, day](const QList<ArchivePicture> &days, Failure failure) {
        m_region.days = QList<ArchivePicture>{ m_region.days.value(0) } + days.mid(1);
        m_region.archiveAsked = true;
        if (days.isEmpty() && failure != Failure::FileNotFound
            && failure != Failure::InvalidArgument)
            fail(failure);
        else
            reach(day);
    };
    fetchArchive(m_network, m_region.market, ArchiveDays, m_load.get(), found);
}

// The kept pictures of the region past the oldest day known (today's being
// today's), read on a worker thread.
void PictureDays::readKept(int day)
{
    const auto read = [folder = m_keptFolder, market = m_region.market] {
        return keptPictures(folder, market);
    };
    const auto found = [this, day](const QList<ArchivePicture> &kept) {
        QDate oldest = QDate::currentDate();
        for (const ArchivePicture &known : std::as_const(m_region.days))
            oldest = known.day.isValid() ? std::min(oldest, known.day) : oldest;
        const bool all = m_region.days.isEmpty();
        for (const ArchivePicture &picture : kept) {
            if (all || picture.day < oldest)
                m_region.days.append(picture);
        }
        m_region.keptAsked = true;
        reach(day);
    };
    platform::onWorkerThread<QList<ArchivePicture>>(m_load.get(), read, found);
}

// A day of the region on display: the service's downloaded where it was not
// before, a kept one read from its file.
void PictureDays::fetchDay(int day)
{
    const ArchivePicture picture = m_region.days.value(day);
    const auto arrived = [this, day, picture](const FetchedPicture &fetched) {
        if (fetched.failure == Failure::None) {
            emit picUrlFound(picture.address,
                             picture.file.isEmpty() ? QByteArray() : fetched.bytes);
            show(m_region, day, fetched);
        } else if (picture.file.isEmpty()) {
            fail(fetched.failure);
        } else {
            // Said once: the next day takes its place.
            m_region.days.removeAt(day);
            m_day -= m_day > day ? 1 : 0;
            emit ended({}, {}, fetched.failure);
            reach(day);
        }
    };
    const QByteArray fetched = picture.file.isEmpty() ? m_region.pictures.value(day)
                                                      : platform::readWhole(picture.file);
    if (fetched.isEmpty() && picture.file.isEmpty())
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
    const ArchivePicture picture = region.days.value(day);
    if (picture.file.isEmpty() && region.pictures.value(day).isEmpty()) {
        region.pictures.resize(std::max(region.pictures.size(), qsizetype(day) + 1));
        region.pictures[day] = fetched.bytes;
        keep(region.market, picture, fetched.bytes);
    }
    m_region = std::move(region);
    m_day = day;
    m_loading = Idle;
    emit ended(fetched.picture, shown().credit, Failure::None);
    emit daysChanged();
}

// A picture of the service's, kept on a worker thread; the window goes on.
void PictureDays::keep(const QString &market, const ArchivePicture &picture,
                       const QByteArray &bytes)
{
    if (m_keptFolder.isEmpty())
        return;
    platform::onWorkerThread<bool>(
            QCoreApplication::instance(),
            [folder = m_keptFolder, market, picture, bytes] {
                keepPicture(folder, market, picture, bytes, QDate::currentDate());
                return true;
            },
            [](bool) {});
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
