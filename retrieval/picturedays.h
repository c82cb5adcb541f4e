#pragma once

#include "archive.h"

#include "platform/failure.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class QNetworkAccessManager;

namespace platform {
struct FetchedPicture;
}

namespace retrieval {

// The pictures of the region on display, which the window goes through day
// by day: today's, from the region's home page (or else the newest of its
// image archive), then the archive's days before it, newest first, then the
// pictures Tavelo kept of that region past the oldest of those (kept.h),
// which need no request. Each picture of the service it shows is kept.
//
// It owns the load under way, each load replacing the one before, and the
// pictures fetched so far of the region on display, so that each day is
// downloaded once. A picture is put into the picture file, replaced whole,
// only once it has arrived and proved to be one; only then is it on display.
// Each step goes on when its reply arrives, and pictures are decoded on a
// worker thread, so the window keeps running.
class PictureDays : public QObject
{
    Q_OBJECT

public:
    // Home pages longer than this fail with OutOfMemory.
    static constexpr qint64 MaxPageBytes = 16 * 1024 * 1024;

    // keptFolder: where pictures are kept; empty: none are, or read.
    PictureDays(QNetworkAccessManager &network, QString pictureFile, QString keptFolder,
                QObject *parent = nullptr);
    ~PictureDays() override;

    // Loads a region's newest picture: the one its home page names, where
    // that arrives as a picture; otherwise the archive's newest, whose days
    // then come with it. Where the archive has none either, the load fails as
    // the home page's picture did, and the region on display stays; where
    // there is none yet, the kept days of that market are offered.
    void loadNewest(const QString &pageAddress, const QString &market);
    // The day before the one on display (or the one being loaded), and the
    // day after. The days before come from the archive, asked at the first of
    // them where the home page gave today's, then from the kept pictures, read
    // at the first of them. A kept picture that is gone or damaged is said so
    // once and passed over. False where there is no such day.
    bool loadOlder();
    bool loadNewer();
    // Abandons the load under way: nothing more is written or shown.
    void stop();

    bool isLoading() const { return m_loading != Idle; }
    // Whether there is a day before (or may be, among kept pictures not read
    // yet), or after; neither while a region's newest picture loads.
    bool canLoadOlder() const;
    bool canLoadNewer() const;
    // The day on display, and its date: null for the service's picture of today.
    ArchivePicture shown() const { return m_region.days.value(m_day); }
    QDate shownDate() const;

signals:
    // The picture's address: a home page's as soon as it is found, an
    // archive's once its picture has arrived; a kept one's with its bytes,
    // which are not to be asked for again.
    void picUrlFound(const QString &address, const QByteArray &kept);
    // A load ended: with a picture now on display, whole, and what it shows
    // (its credit); or with a failure, and what is on display stays.
    void ended(const QImage &picture, const QString &credit, platform::Failure failure);
    // What canLoadOlder() and canLoadNewer() say may have changed.
    void daysChanged();

private:
    // The days of a region, today's first as it was shown, and the pictures
    // fetched so far by day; whether the archive's days are known, and then
    // the kept ones past them.
    struct Region
    {
        QString market;
        QList<ArchivePicture> days;
        QList<QByteArray> pictures;
        bool archiveAsked = false;
        bool keptAsked = false;
    };
    // What the load under way brings: a region's newest, or a day.
    static constexpr int Idle = -2, Newest = -1;

    int from() const { return m_loading >= 0 ? m_loading : m_day; }
    void start(int loading);
    void archiveInstead(const QString &market, platform::Failure homeFailure);
    void failNewest(const QString &market, platform::Failure failure);
    bool loadDay(int day);
    void reach(int day);
    void askArchive(int day);
    void readKept(int day);
    void fetchDay(int day);
    void show(Region region, int day, const platform::FetchedPicture &fetched);
    void keep(const QString &market, const ArchivePicture &picture, const QByteArray &bytes);
    void fail(platform::Failure failure);

    QNetworkAccessManager &m_network;
    const QString m_pictureFile;
    const QString m_keptFolder;
    Region m_region; // of the picture on display
    int m_day = -1; // on display; -1 before the first picture
    int m_loading = Idle;
    // The context of the load under way: deleting it abandons the load.
    std::unique_ptr<QObject> m_load;
};

} // namespace retrieval
