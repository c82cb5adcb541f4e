#include "commands/dailychange.h"

#include "commands/daily.h"

#include "platform/folderlock.h"
#include "platform/folders.h"
#include "platform/schedule.h"
#include "platform/wallpaper.h"

#include <QCoreApplication>
#include <QFile>

namespace commands {

using platform::Failure;

DailyChange::DailyChange(QNetworkAccessManager &network, platform::Wallpaper &wallpaper,
                         QObject *parent)
    : QObject(parent),
      m_network(network),
      m_wallpaper(wallpaper),
      m_folder(platform::wallpaperFolder())
{
}

DailyChange::~DailyChange() = default;

void DailyChange::read(QSize screen)
{
    platform::readSchedule([self = QPointer(this), screen](bool on) {
        if (!self)
            return;
        self->m_on = on;
        if (on)
            self->note({}, screen);
        emit self->settled(on);
    });
}

void DailyChange::turnOn(const QString &market, QSize screen)
{
    m_on = true;
    platform::setSchedule(true, [self = QPointer(this), market, screen](bool done) {
        if (!self)
            return;
        if (!done) {
            self->m_on = false;
            QFile::remove(dailyRecordPath(self->m_folder));
            emit self->settled(false);
            emit self->failed(Failure::PathFileAccessError);
            return;
        }
        emit self->settled(true);
        self->note(market, screen, [self, market, screen] { self->run(market, screen); });
    });
}

void DailyChange::turnOff()
{
    m_on = false;
    delete m_run;
    // The record goes once the schedule's own run has been stopped.
    platform::setSchedule(false, [self = QPointer(this), folder = m_folder](bool done) {
        platform::whenLocked(
                folder, QCoreApplication::instance(),
                [folder](std::shared_ptr<QLockFile>) { QFile::remove(dailyRecordPath(folder)); });
        if (!self)
            return;
        emit self->settled(!done);
        if (!done)
            emit self->failed(Failure::PathFileAccessError);
    });
}

void DailyChange::follow(const QString &market, QSize screen)
{
    if (m_on)
        note(market, screen);
}

// The record's region moved to market (where given, and then the picture is
// due at once), and the screen noted; then, once it is written.
void DailyChange::note(const QString &market, QSize screen, std::function<void()> then)
{
    platform::whenLocked(m_folder, this, [this, market, screen, then](std::shared_ptr<QLockFile>) {
        const QString path = dailyRecordPath(m_folder);
        const DailyRecord before = readDailyRecord(path);
        DailyRecord record = before;
        if (!market.isEmpty() && market != record.market)
            record = { market, {}, {}, {} };
        record.screen = screen;
        // Turned off meanwhile: nothing is written. A record that cannot be
        // written costs only a request.
        if (m_on && record != before)
            (void)writeDailyRecord(path, record);
        if (then)
            then();
    });
}

void DailyChange::run(const QString &market, QSize screen)
{
    if (!m_on)
        return;
    delete m_run;
    m_run = new DailyWallpaper(m_network, m_wallpaper, m_folder, platform::keptFolder(), this);
    connect(m_run, &DailyWallpaper::finished, this, [this, run = m_run.data()](Failure failure) {
        run->deleteLater();
        if (failure != Failure::None)
            emit failed(failure);
    });
    m_run->start(market, screen);
}

} // namespace commands
