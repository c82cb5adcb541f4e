#include "commands/daily.h"

#include "commands/setwallpaper.h"
#include "commands/wallpaperpicture.h"

#include "retrieval/regiontable.h"

#include "platform/http.h"
#include "platform/wholefile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace commands {

using platform::Failure;

QString dailyRecordPath(const QString &folder)
{
    return folder + QStringLiteral("/daily.json");
}

DailyRecord readDailyRecord(const QString &path)
{
    QFile file(path);
    const QJsonObject json = QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).object();
    const QJsonArray screen = json.value(QLatin1String("screen")).toArray();
    return {json.value(QLatin1String("market")).toString(), json.value(QLatin1String("picture")).toString(),
            QDateTime::fromString(json.value(QLatin1String("due")).toString(), Qt::ISODate),
            screen.size() == 2 ? QSize(screen.at(0).toInt(), screen.at(1).toInt()) : QSize()};
}

Failure writeDailyRecord(const QString &path, const DailyRecord &record)
{
    const QJsonObject json{{QStringLiteral("market"), record.market},
                           {QStringLiteral("picture"), record.picture},
                           {QStringLiteral("due"), record.due.toUTC().toString(Qt::ISODate)},
                           {QStringLiteral("screen"), record.screen.isValid() ? QJsonArray{record.screen.width(), record.screen.height()} : QJsonArray()}};
    return platform::replaceWhole(path, QJsonDocument(json).toJson());
}

QString dailyMarket(const QString &asked, const DailyRecord &record)
{
    return !asked.isEmpty() ? asked : !record.market.isEmpty() ? record.market : QStringLiteral("zh-CN");
}

DailyStep dailyStep(const DailyRecord &record, const QString &market, const QDateTime &now,
                    const retrieval::ArchivePicture *newest)
{
    const bool same = record.market == market;
    if (newest)
        return same && record.picture == newest->address ? DailyStep::UpToDate : DailyStep::Set;
    return same && record.due.isValid() && now < record.due ? DailyStep::Wait : DailyStep::Ask;
}

DailyWallpaper::DailyWallpaper(QNetworkAccessManager &network, platform::Wallpaper &wallpaper, QString folder,
                               QObject *parent)
    : QObject(parent), m_network(network), m_wallpaper(wallpaper), m_folder(std::move(folder))
{
}

void DailyWallpaper::start(const QString &market, QSize screen)
{
    m_market = market;
    m_screen = screen;
    auto *get = new platform::HttpGet(m_network, QUrl(retrieval::archiveAddress(retrieval::regionOfMarket(market), 1)),
                                      platform::HttpGet::Body::Keep, retrieval::MaxArchiveBytes, this);
    connect(get, &platform::HttpGet::finished, this, [this, get] {
        get->deleteLater();
        const platform::HttpResult &answer = get->result();
        const QList<retrieval::ArchivePicture> days = answer.isDocument() ? retrieval::readArchive(answer.body) : QList<retrieval::ArchivePicture>();
        if (days.isEmpty()) {
            // No answer, an error page, or no archive's: nothing to go on with.
            emit finished(!answer.succeeded() ? answer.failure : answer.isDocument() ? Failure::InvalidArgument : Failure::FileNotFound);
            return;
        }
        const retrieval::ArchivePicture newest = days[0];
        if (dailyStep(readDailyRecord(dailyRecordPath(m_folder)), m_market, QDateTime::currentDateTimeUtc(), &newest) == DailyStep::UpToDate) {
            emit finished(Failure::None);
            return;
        }
        fetchWallpaperPicture(m_network, newest, m_screen, {}, this, [this, newest](const QImage &picture, Failure failure) {
            if (failure != Failure::None)
                emit finished(failure);
            else
                set(newest, picture);
        });
    });
}

void DailyWallpaper::set(const retrieval::ArchivePicture &newest, const QImage &picture)
{
    setAsWallpaper(picture, m_folder, m_wallpaper, this, [this, newest](Failure failure) {
        if (failure != Failure::None) {
            emit finished(failure);
            return;
        }
        // Read again: the window may have changed the rest meanwhile.
        const QString path = dailyRecordPath(m_folder);
        DailyRecord record = readDailyRecord(path);
        record.market = m_market;
        record.picture = newest.address;
        record.due = newest.since.isValid() ? newest.since.addSecs(24 * 60 * 60) : QDateTime();
        emit finished(writeDailyRecord(path, record));
    });
}

} // namespace commands
