#include "commands/daily.h"

#include "commands/wallpaperpicture.h"

#include "retrieval/kept.h"
#include "retrieval/regiontable.h"

#include "platform/connection.h"
#include "platform/picture.h"
#include "platform/worker.h"
#include "platform/wholefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace commands {

using platform::Failure;

QString dailyRecordPath(const QString &folder)
{
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/daily.json");
}

DailyRecord readDailyRecord(const QString &path)
{
    const QJsonObject json = QJsonDocument::fromJson(platform::readWhole(path)).object();
    const QJsonArray screen = json.value(QLatin1String("screen")).toArray();
    DailyRecord record{ json.value(QLatin1String("market")).toString(),
                        json.value(QLatin1String("picture")).toString(),
                        QDateTime::fromString(json.value(QLatin1String("due")).toString(),
                                              Qt::ISODate),
                        {} };
    if (screen.size() == 2)
        record.screen = QSize(screen.at(0).toInt(), screen.at(1).toInt());
    if (!retrieval::isMarket(record.market))
        record.market.clear();
    return record;
}

Failure writeDailyRecord(const QString &path, const DailyRecord &record)
{
    QJsonArray screen;
    if (record.screen.isValid())
        screen = { record.screen.width(), record.screen.height() };
    const QJsonObject json{ { QStringLiteral("market"), record.market },
                            { QStringLiteral("picture"), record.picture },
                            { QStringLiteral("due"), record.due.toUTC().toString(Qt::ISODate) },
                            { QStringLiteral("screen"), screen } };
    return platform::replaceWhole(path, QJsonDocument(json).toJson());
}

QString dailyMarket(const QString &asked, const DailyRecord &record)
{
    if (!asked.isEmpty())
        return asked;
    return !record.market.isEmpty() ? record.market : QStringLiteral("zh-CN");
}

DailyStep dailyStep(const DailyRecord &record, const QString &market, const QDateTime &now,
                    const retrieval::ArchivePicture *newest)
{
    const bool same = record.market == market;
    if (newest)
        return same && record.picture == newest->address ? DailyStep::UpToDate : DailyStep::Set;
    return same && record.due.isValid() && now < record.due ? DailyStep::Wait : DailyStep::Ask;
}

bool wantsConnection(Failure failure)
{
    return failure == Failure::CannotConnect || failure == Failure::TimedOut;
}

DailyWallpaper::DailyWallpaper(QNetworkAccessManager &network, platform::Wallpaper &wallpaper,
                               QString folder, QString keptFolder, QObject *parent)
    : QObject(parent),
      m_network(network),
      m_wallpaper(wallpaper),
      m_folder(std::move(folder)),
      m_keptFolder(std::move(keptFolder))
{
}

void DailyWallpaper::start(const QString &market, QSize screen)
{
    m_market = market;
    m_screen = screen;
    platform::whenConnected(ConnectionWait, this, [this](bool connected) {
        if (connected)
            ask();
        else
            emit finished(Failure::CannotConnect);
    });
}

void DailyWallpaper::ask()
{
    const auto found = [this](const QList<retrieval::ArchivePicture> &days, Failure failure) {
        if (days.isEmpty()) {
            emit finished(failure);
            return;
        }
        const retrieval::ArchivePicture newest = days[0];
        const DailyRecord record = readDailyRecord(dailyRecordPath(m_folder));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (dailyStep(record, m_market, now, &newest) == DailyStep::UpToDate) {
            emit finished(Failure::None);
            return;
        }
        makeWallpaper(m_network, newest, m_screen, {}, m_folder, m_wallpaper, this,
                      [this, newest](Failure set, const QByteArray &standard) {
                          note(newest, set, standard);
                      });
    };
    retrieval::fetchArchive(m_network, m_market, 1, this, found);
}

// Called with the folder still locked: the record is read again, since the
// window may have moved the change to another region meanwhile, which then
// stays.
void DailyWallpaper::note(const retrieval::ArchivePicture &newest, Failure failure,
                          const QByteArray &standard)
{
    const QString path = dailyRecordPath(m_folder);
    DailyRecord record = readDailyRecord(path);
    if (failure == Failure::None && (record.market.isEmpty() || record.market == m_market)) {
        record.market = m_market;
        record.picture = newest.address;
        record.due = newest.since.isValid() ? newest.since.addSecs(24 * 60 * 60) : QDateTime();
        failure = writeDailyRecord(path, record);
    }
    if (failure == Failure::None && !m_keptFolder.isEmpty())
        keep(newest, standard);
    else
        emit finished(failure);
}

// The picture at 1920 x 1080 is kept, as the window keeps what it shows:
// downloaded where the wallpaper was made of the original. Whether it could
// be is no part of the run's outcome.
void DailyWallpaper::keep(const retrieval::ArchivePicture &newest, const QByteArray &standard)
{
    const auto kept = [this, newest](const platform::FetchedPicture &fetched) {
        const auto keepIt = [folder = m_keptFolder, market = m_market, newest, fetched] {
            if (fetched.failure == Failure::None)
                retrieval::keepPicture(folder, market, newest, fetched.bytes, QDate::currentDate());
            return true;
        };
        platform::onWorkerThread<bool>(this, keepIt,
                                       [this](bool) { emit finished(Failure::None); });
    };
    if (standard.isEmpty())
        platform::fetchPicture(m_network, newest.address, this, platform::decodePicture, kept);
    else
        kept({ {}, standard, Failure::None });
}

} // namespace commands
