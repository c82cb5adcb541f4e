#pragma once

#include "platform/failure.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>

class QNetworkAccessManager;

namespace platform {
class Wallpaper;
}

namespace commands {

class DailyWallpaper;

// The daily change of the wallpaper as the window's box turns it on and off:
// the schedule the session runs (platform/schedule.h), the record of what it
// set, and the run that turning it on makes at once. Every change of the
// record is made under the folder's lock, so the window and a run of the
// schedule never lose each other's.
class DailyChange : public QObject
{
    Q_OBJECT

public:
    DailyChange(QNetworkAccessManager &network, platform::Wallpaper &wallpaper,
                QObject *parent = nullptr);
    ~DailyChange() override;

    // Asks the system whether the change is on; where it is, the screen is
    // noted for runs without a display. Ends with settled().
    void read(QSize screen);
    // Turns it on for market and sets that market's newest picture for the
    // screen at once. Ends with settled(), and failed() where the run fails.
    void turnOn(const QString &market, QSize screen);
    // Turns it off: a run under way, here or the schedule's, stops before it
    // sets anything, and every file of the change goes. Ends with settled().
    void turnOff();
    // Moves the change to market, where it is on; its picture is then due.
    void follow(const QString &market, QSize screen);

signals:
    // Whether the change is on now, once the system has answered.
    void settled(bool on);
    // The schedule could not be changed (PathFileAccessError), or the run
    // that turning it on made failed.
    void failed(platform::Failure failure);

private:
    void note(const QString &market, QSize screen, std::function<void()> then = {});
    void run(const QString &market, QSize screen);

    QNetworkAccessManager &m_network;
    platform::Wallpaper &m_wallpaper;
    const QString m_folder;
    bool m_on = false;
    QPointer<DailyWallpaper> m_run;
};

} // namespace commands
