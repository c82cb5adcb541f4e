#pragma once

#include "platform/failure.h"
#include "retrieval/archive.h"

#include <QDateTime>
#include <QObject>
#include <QSize>
#include <QString>

#include <chrono>

class QNetworkAccessManager;

namespace platform {
class Wallpaper;
}

namespace commands {

// The daily change of the wallpaper: what it set last, kept with Tavelo's
// other state in the wallpaper's folder, and the run that sets the newest
// picture of a region when one is due.
struct DailyRecord
{
    QString market; // the region's, as the archive knows it; empty for none
    QString picture; // the address of the picture set last
    QDateTime due; // when the next picture is due (UTC); invalid: at the next run
    QSize screen; // the largest screen, in device pixels, as the window last saw it

    bool operator==(const DailyRecord &) const = default;
};

// Empty where there is no folder.
QString dailyRecordPath(const QString &folder);
// An empty record where there is none, or it cannot be read; a market that is
// none of the nine counts as none.
DailyRecord readDailyRecord(const QString &path);
// Replaced whole, never half-written.
[[nodiscard]] platform::Failure writeDailyRecord(const QString &path, const DailyRecord &record);

// The market for a run: the one asked for, else the record's, else zh-CN.
QString dailyMarket(const QString &asked, const DailyRecord &record);

enum class DailyStep { Wait, Ask, Set, UpToDate };

// What a run does for a market at a time. Before the archive is asked
// (newest null): Wait while the record's picture of that market is not yet
// due, Ask otherwise. With the archive's newest picture: UpToDate where the
// record names it for that market, Set otherwise. A picture is due 24 hours
// after the one before became the picture of the day.
DailyStep dailyStep(const DailyRecord &record, const QString &market, const QDateTime &now,
                    const retrieval::ArchivePicture *newest = nullptr);

// A run waits this long for a connection, where there is none.
inline constexpr std::chrono::seconds ConnectionWait{ 60 };

// Whether a run that failed so is worth trying again soon: it found no
// connection, or lost the one it had.
bool wantsConnection(platform::Failure failure);

// One run: asks the market's archive for its newest picture and, where it is
// new, makes it the wallpaper for a screen of the given size; where the
// record is the market's or there is none, it then names that picture, written
// while the folder is still locked. Where there is no connection, it waits
// for one (ConnectionWait, then CannotConnect). Ends with finished(), with
// None when the wallpaper shows the newest picture, now or already. Deleting
// it stops it: nothing more is handed to the desktop or written.
class DailyWallpaper : public QObject
{
    Q_OBJECT

public:
    // keptFolder: where the picture set is kept too; empty: it is not.
    DailyWallpaper(QNetworkAccessManager &network, platform::Wallpaper &wallpaper, QString folder,
                   QString keptFolder, QObject *parent = nullptr);

    void start(const QString &market, QSize screen);

signals:
    void finished(platform::Failure failure);

private:
    void ask();
    void note(const retrieval::ArchivePicture &newest, platform::Failure failure,
              const QByteArray &standard);
    void keep(const retrieval::ArchivePicture &newest, const QByteArray &standard);

    QNetworkAccessManager &m_network;
    platform::Wallpaper &m_wallpaper;
    const QString m_folder;
    const QString m_keptFolder;
    QString m_market;
    QSize m_screen;
};

} // namespace commands
